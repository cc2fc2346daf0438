#pragma once

#include <QDate>
#include <QString>

#include <optional>

class Dataset;

// The rows of the five tables as the program reads them, each column named by
// what it holds. A reader takes the dataset's current row (the row being edited
// while the dataset is in Edit or Insert state); the dataset holds every column
// of the table, as the table datasets and the "select *" queries do, and a
// missing column throws as Dataset::fieldByName does.
//
// A member reads as the program has always read the column: a null number as
// 0, a null text as empty, a null flag as false, a null date as an invalid
// date. Where the program tells a stored null from 0, the member is a
// std::optional.
//
// A writer builds a whole row: it writes every column but the key into the
// row being inserted (or edited). A change of single columns names them by
// their Columns constants instead.
//
// Row::Meter is the row of table master as Columns::Meter names its columns,
// and so on for each table.
namespace Row {

// Table base: a base (a set-up of the bench) and the nominal values its meters
// are tested at.
struct Base {
  qint64 key = 0;
  QString name;
  double nominalVoltage = 0;  // V
  double nominalCurrent = 0;  // A
  double meterConstant = 0;   // pulses per kW·h (kvar·h)
  double accuracyClass = 0;

  static Base read(Dataset& bases);
};

// Table master: a meter in a slot of a base.
struct Meter {
  qint64 key = 0;
  QString base;        // the base's name
  qint64 slot = 0;     // 1..8 on the bench; a damaged table may hold others
  bool inUse = false;  // false: kept for the slot, but neither shown in the tree nor tested
  QString type;
  std::optional<qint64> year;  // of manufacture
  QString serialNumber;
  QString owner;
  QString maker;
  QDate previousCheck;  // date of the previous verification; invalid: none

  // The year as the editor shows it: in decimal, empty when none is stored.
  QString yearText() const;

  static Meter read(Dataset& meters);
  void write(Dataset& meters) const;
};

// Table slave: a test point measured on a meter.
struct TestPoint {
  qint64 key = 0;
  qint64 meter = 0;             // the meter's key
  double voltagePercent = 0;    // % of the nominal voltage
  double currentPercent = 0;    // % of the nominal current
  QString powerFactor;          // as the instrument names it
  std::optional<double> error;  // relative error, %; none when the instrument showed no number
  QDate date;
  bool marked = false;           // chosen for the protocol and the archive (stored as "R")
  std::optional<qint64> number;  // running number among the meter's points; none until they are numbered

  static TestPoint read(Dataset& points);
  void write(Dataset& points) const;
};

// Table masterarhive: an archived meter with the nominal values of the base it
// came from. The archive keeps what it was given, nulls included.
struct ArchivedMeter {
  qint64 key = 0;
  QString base;
  QString type;
  std::optional<qint64> year;
  QString owner;
  QString maker;
  std::optional<double> accuracyClass;  // none: the meter's points are not judged
  std::optional<double> nominalVoltage;
  std::optional<double> nominalCurrent;
  std::optional<double> meterConstant;
  QString serialNumber;

  // The year as the editor shows it: in decimal, empty when none is stored.
  QString yearText() const;

  static ArchivedMeter read(Dataset& meters);
};

// Table Slavearhiv: an archived test point.
struct ArchivedPoint {
  qint64 key = 0;
  qint64 archivedMeter = 0;  // the archived meter's key
  double voltagePercent = 0;
  double currentPercent = 0;
  QString powerFactor;
  std::optional<double> error;
  QDate date;
  QDate previousCheck;  // the meter's previous verification when the point was archived
  std::optional<qint64> number;

  static ArchivedPoint read(Dataset& points);
};

}  // namespace Row
