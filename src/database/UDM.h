#pragma once

#include "database/Connection.h"
#include "database/Dataset.h"
#include "database/MemoryDataset.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

// The data module: owns the database connection and every dataset the windows
// work on, the links between them and the rules that keep test points from
// outliving their meter and meters from outliving their base. Created first at
// start-up; the windows reach it through DM1.
class TDM1 : public QObject {
  Q_OBJECT
 public:
  // Opens the program's database (ProgramPath("base/vt3417.sqlite"), created
  // with all tables when missing). A connection failure is kept and reported by
  // DataModuleCreate through its table checks. The new module becomes DM1.
  explicit TDM1(QObject* parent = nullptr);
  // Same on a given SQLite file (benchmarks, tools).
  TDM1(const QString& databaseFile, QObject* parent);
  ~TDM1() override;

  // Opens and checks the tables, each step on its own. Returns the messages of
  // the failed steps ("Tmaster is  not Active.", ...), empty when all is well;
  // the caller shows each in a plain box and then ends the program.
  QStringList DataModuleCreate();

  // Delete rules.
  void TMasterBeforeDelete();                  // the meter's test points go first
  void DeleteBaseMeters(const QString& name);  // every meter of the base, used or not
  void TBaseBeforeDelete();                    // DeleteBaseMeters(TBase.NameBase)

  Connection* connection() const { return connection_.get(); }
  // Why the database could not be opened; empty when it is open.
  QString connectionError() const { return connectionError_; }

  // RxData's fields, all text 20, in this order.
  static const QStringList& RxDataFields();

  QueryDataset* QBase;
  TableDataset* TBase;  // detail of QBase on Num
  QueryDataset* QMaster;
  TableDataset* TMaster;        // detail of QMaster on Num
  TableDataset* TSlave;         // detail of QMaster: slave.Num = QMaster.Num, by key N
  QueryDataset* QMasterArhive;  // read-only result
  TableDataset* TSlaveArhive;   // detail of QMasterArhive: Slavearhiv.Num = QMasterArhive.Num
  TableDataset* TMasterArhive;  // the whole archive of meters, for appending
  QueryDataset* Query2;
  ScriptDataset* SQLScript;
  MemoryDataset* RxData;

 private:
  void createDatasets();
  void applyDisplayLabels();

  std::unique_ptr<Connection> connection_;
  QString connectionError_;
  std::unique_ptr<MemoryDataset> rxData_;
  TDM1* previousModule_;  // DM1 before this module was made, restored when it goes
};

extern TDM1* DM1;
