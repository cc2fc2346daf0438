#pragma once

#include "database/Connection.h"
#include "database/MemoryDataset.h"
#include "database/QueryDataset.h"
#include "database/ScriptDataset.h"
#include "database/TableDataset.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

// The data module: owns the database connection and every dataset the windows
// work on, the links between them and the rules that keep test points from
// outliving their meter and meters from outliving their base. Created first at
// start-up and handed to each window that works on the database.
class DataModule : public QObject {
  Q_OBJECT
 public:
  // Opens the program's database (programPath("base/vt3417.sqlite"), created
  // with all tables when missing). A connection failure is kept and reported by
  // openTables through its table checks.
  explicit DataModule(QObject* parent = nullptr);
  // Same on a given SQLite file (benchmarks, tools).
  DataModule(const QString& databaseFile, QObject* parent);
  // Same on an open connection (several benches in one test or benchmark).
  DataModule(std::unique_ptr<Connection> connection, QObject* parent);
  ~DataModule() override;

  // Opens and checks the tables, each step on its own. Returns the messages of
  // the failed steps ("Tmaster is  not Active.", ...), led by why the database
  // could not be opened when it could not; empty when all is well. The caller
  // shows each in a plain box and then ends the program.
  QStringList openTables();

  // Delete rules.
  void deleteChosenMeterPoints();              // the meter's test points go first
  void deleteBaseMeters(const QString& name);  // every meter of the base, used or not
  void deleteChosenBaseMeters();               // deleteBaseMeters(chosenBase.NameBase)

  Connection* connection() const { return connection_.get(); }
  // Why the database could not be opened; empty when it is open.
  QString connectionError() const { return connectionError_; }

  // exportRows's fields, all text 20, in this order.
  static const QStringList& exportRowFields();

  QueryDataset* bases;
  TableDataset* chosenBase;  // detail of bases on Num
  QueryDataset* meters;
  TableDataset* chosenMeter;         // detail of meters on Num
  TableDataset* testPoints;          // detail of meters: slave.Num = meters.Num, by key N
  QueryDataset* archivedMeters;      // read-only result
  TableDataset* archivedPoints;      // detail of archivedMeters: Slavearhiv.Num = archivedMeters.Num
  TableDataset* archivedMeterTable;  // the whole archive of meters, for appending
  QueryDataset* markedPoints;
  ScriptDataset* script;
  MemoryDataset* exportRows;

 private:
  void createDatasets();
  void applyDisplayLabels();

  std::unique_ptr<Connection> connection_;
  QString connectionError_;
  std::unique_ptr<MemoryDataset> rxData_;
};
