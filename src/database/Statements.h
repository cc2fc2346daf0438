#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantList>

// A statement with its values bound as positional parameters ("?"): user text is
// never pasted into SQL, so quotes, apostrophes, % and _ in names are harmless.
// `table` names the table the statement reads or writes (for field types and so
// that pending reads of that table are completed before it is written).
struct Statement {
  QString sql;
  QVariantList values;
  QString table;
};

// Every statement the program runs on the measurement database. Plain SQL that
// SQLite and PostgreSQL both accept.
namespace Statements {

// --- base ---
Statement allBases();                       // every base, in the order they were created
Statement baseByName(const QString& name);  // the base of that name

// Every base in the order they were created, each with its meters in use in
// slot order: one row per meter, and one row with a null slot for a base
// without meters in use. Columns: the base's key and name, the meter's slot.
Statement basesWithMetersInUse();

// --- master ---
Statement allMeters();
// Every meter of a base, used or not; ordered by slot when asked.
Statement metersOfBase(const QString& base, bool orderedBySlot = false);
// The meters of a base in use (MyVisible true); ordered by slot when asked.
Statement metersOfBaseInUse(const QString& base, bool orderedBySlot);
// The meter of a base in a slot, in use or not.
Statement meterInSlot(const QString& base, int slot);
// The meter of a base in a slot that is in use.
Statement meterInSlotInUse(const QString& base, int slot);
// The meters of a base with that type and serial number, in use or not.
Statement metersOfBaseByTypeAndNumber(const QString& base, const QString& type, const QString& number);
// The meters of a base with that type and serial number that are not in use.
Statement unusedMetersOfBaseByTypeAndNumber(const QString& base, const QString& type, const QString& number);

// --- slave ---
Statement deletePointsOfMeter(qint64 meterNum);
// The points of a meter marked for the report (Rep "R").
Statement markedPointsOfMeter(qint64 meterNum);
// The chart's columns of a meter's points (Tok, KM, Opogr, Rep), all or only
// the marked ones, in the order they were added.
Statement chartPointsOfMeter(qint64 meterNum, bool markedOnly);
// One row, one column "marked": how many points of a meter are marked.
Statement countMarkedPoints(qint64 meterNum);
// Num of a base's meters in use with Tok, KM, Opogr and Voltage of their marked points.
Statement markedPointsOfBaseInUse(const QString& base);
// The same columns of their points, all or only the marked ones, by meter in
// the order they were added.
Statement pointsOfBaseInUse(const QString& base, bool markedOnly);

// --- masterarhive ---
Statement allArchivedMeters();  // in the order they were archived
Statement archivedMetersByTypeAndNumber(const QString& type, const QString& number);
Statement archivedMetersOfBase(const QString& base);
Statement deleteArchivedMeter(qint64 num);
// Writes the archived meter's row unchanged: the row stays locked until the
// transaction ends, so two transfers of one meter take turns. Changes one row,
// none when the meter is gone.
Statement holdArchivedMeter(qint64 num);

// --- Slavearhiv ---
Statement deletePointsOfArchivedMeter(qint64 archivedMeterNum);
// The points of an archived meter whose key is at most lastKey (those stored
// before a given moment), by key.
Statement archivedPointsOfMeterUpTo(qint64 archivedMeterNum, qint64 lastKey);
// One row, one column: the largest key of an archived point (null when none).
Statement largestArchivedPointKey();
// Numbers the points of each of these archived meters 1, 2, 3 ... by key,
// as the archive transfer numbers them.
Statement renumberArchivedPoints(const QList<qint64>& archivedMeterNums);

// One row, one column: how many rows the table ("base", "master", ...) holds.
Statement rowCount(const QString& table);

// The archive browser's filter: texts as typed. A type ending in "*" is a prefix
// (the rest taken literally, % and _ included); a serial number range "from"
// alone is an exact match; a year "from" alone is that year. "to" fields alone
// filter nothing.
struct ArchiveFilter {
  QString type;
  QString numberFrom;
  QString numberTo;
  QString yearFrom;
  QString yearTo;
};
// sortField: "tip", "myNumber" or "myYear" (case-insensitive); anything else
// throws std::runtime_error. A year that is not a whole number throws too.
Statement archiveFilter(const ArchiveFilter& filter, const QString& sortField);
// The distinct values of "tip", "mynumber" or "myyear" (case-insensitive) in the
// archive, in ascending order; one column named as asked.
Statement distinctArchiveValues(const QString& column);

}  // namespace Statements

// A year typed into the archive filter; text that is not a number throws a clear error.
qint64 archiveYearValue(const QString& text);
// A LIKE pattern for the texts that begin with `prefix`, taken literally
// ("%", "_" and "\\" escaped with "\\"; the statement says ESCAPE '\\').
QString likePrefixPattern(const QString& prefix);
