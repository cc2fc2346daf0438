#pragma once

#include "database/TableWriter.h"
#include "legacy/LegacyImport.h"
#include "legacy/LegacyTable.h"

#include <QHash>
#include <QSet>
#include <QVariantList>

#include <memory>
#include <vector>

// One run of importLegacyTables (LegacyImport.h): the tables read in the
// order of their relations, each row checked, mapped and (unless checking)
// written. The working tables are handled in LegacyImporter.cpp, the archive
// in LegacyArchiveImport.cpp.
class LegacyImporter {
 public:
  LegacyImporter(const QString& folder, Connection* target, const LegacyImportOptions& options,
                 const ImportProgress& progress);
  // Throws LegacyFileError, ImportCancelled, the database's errors; BasesInUse
  // when writing and base names are in conflict.
  ImportSummary run();

  // Base names in conflict stopped a writing run.
  struct BasesInUse {};

 private:
  enum TableIndex { BaseTable, MeterTable, PointTable, ArchivedMeterTable, ArchivedPointTable, TableCount };
  // The points an archived meter had before the import, by their values.
  using PointValues = QVariantList;

  void openTables();
  void readTarget();
  bool targetIsEmpty();
  void makeWriters();
  // Reads every record of a table, checks it and hands the rows with their
  // required fields to `take` (record number 1, 2, ...).
  void forEachRow(TableIndex table, const std::function<void(qint64 record, QVariantList& row)>& take);
  bool hasRequiredFields(TableIndex table, qint64 record, const QVariantList& row);
  void rememberSkipped(TableIndex table, const QVariantList& row);
  void clearOutOfRange(TableIndex table, qint64 record, QVariantList& row);
  void advance();
  void problem(TableIndex table, qint64 record, const QString& text);
  void imported(TableIndex table) { ++summary_.tables[table].imported; }
  void skipped(TableIndex table) { ++summary_.tables[table].skipped; }
  // A key of the database for a row stored without its own: the database's
  // when writing, a stand-in of our own when checking.
  qint64 storeReturningKey(TableIndex table, const QVariantList& row);
  void store(TableIndex table, const QVariantList& row);
  int column(TableIndex table, QLatin1String name) const;

  // Working tables.
  void importBases();
  QString freeBaseName(const QString& name) const;
  void importMeters();
  void importPoints();
  // Archive (LegacyArchiveImport.cpp).
  void readArchiveOfTarget();
  void importArchivedMeters();
  void importArchivedPoints();
  bool archivedMeterHas(qint64 archivedMeter, const PointValues& values);
  PointValues pointValues(const QVariantList& row) const;
  void holdArchivedMeter(qint64 archivedMeter);
  void renumberMergedMeters();

  QString folder_;
  Connection* target_;
  LegacyImportOptions options_;
  ImportProgress progress_;
  ImportSummary summary_;
  std::vector<std::unique_ptr<LegacyTable>> tables_;
  std::vector<std::unique_ptr<TableWriter>> writers_;
  qint64 done_ = 0;
  qint64 total_ = 0;
  qint64 nextStandInKey_ = -1;

  QHash<QString, QString> baseNames_;  // name in the old table -> name in the database
  QHash<QString, qint64> firstBaseRecord_;
  QSet<QString> takenBaseNames_;
  QHash<qint64, qint64> meterKeys_;  // old key -> key in the database
  QSet<qint64> skippedMeters_;
  QHash<qint64, qint64> archivedMeterKeys_;
  QSet<qint64> skippedArchivedMeters_;
  struct ArchivedMeter {
    qint64 key = 0;     // in the database
    qint64 record = 0;  // the record that brought it; 0: the database had it
  };
  QHash<QString, ArchivedMeter> archivedMeterByIdentity_;  // by type and serial number
  QSet<qint64> mergedArchivedMeters_;                      // receive points besides their own: numbered anew
  QSet<qint64> archivedBefore_;                            // merged ones the database had before
  QSet<qint64> renumbered_;
  qint64 lastPointBefore_ = 0;  // the largest key of an archived point before the import
  QHash<qint64, QVector<PointValues>> pointsBefore_;
  qint64 pointsAlreadyThere_ = 0;
};
