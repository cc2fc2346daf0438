#pragma once

#include "support/TempProgramDir.h"
#include "ui/Selection.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include <memory>

class DataModule;

// A fresh program directory with a real database and a data module on it, the
// selection the main window would keep, plus the rows the archive tests start
// from.
class ArchiveFixture {
 public:
  ArchiveFixture();
  ~ArchiveFixture();

  DataModule& dm() const { return *dm_; }
  Selection& selection() { return selection_; }

  qint64 addBase(const QString& name, double voltage = 220, double current = 5, double constant = 1600,
                 double accuracyClass = 1);
  qint64 addMeter(const QString& base, int slot, const QString& type, const QString& number, int year = 2001,
                  const QString& user = QStringLiteral("ЛАБОРАТОРИЯ"),
                  const QString& maker = QStringLiteral("ЗАВОД"), const QDate& oldDate = QDate(2020, 5, 14));
  qint64 addPoint(qint64 meterNum, double voltage, double current, const QString& powerFactor, double error,
                  const QDate& date, const QString& mark);
  qint64 addArchivedMeter(const QString& type, const QString& number, int year,
                          const QString& base = QStringLiteral("Б1"));
  qint64 addArchivedPoint(qint64 archivedMeterNum, int count, double error = 0.5);

  // What the main window sets when a meter is chosen in its tree.
  void chooseMeter(const QString& base, int slot);

  // Rows of a statement, each as a list of column values.
  QList<QVariantList> rows(const QString& sql, const QVariantList& values = {}) const;
  int count(const QString& sql, const QVariantList& values = {}) const;

 private:
  qint64 insert(const QString& table, const QString& sql, const QVariantList& values);

  TempProgramDir dir_;
  std::unique_ptr<DataModule> dm_;
  Selection selection_;
};
