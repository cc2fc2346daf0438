#pragma once

#include "database/Statements.h"

#include <QDate>
#include <QString>

#include <optional>

class DataModule;
class Dataset;

// What the base editor writes to and reads from the data module: the
// nominal values of a base and the meters of its eight slots. Every routine
// leaves meters as the editor expects it (see each routine).

// The data of one slot's meter as the editor shows it.
struct MeterData {
  QString number;  // MyNumber
  QString type;    // Tip
  QString year;    // MyYear as text
  QString user;    // MyUser
  QString maker;   // MyMaker
  QDate oldDate;   // Olddate; invalid: none
};

// The four nominal values of a base.
struct BaseNominals {
  double voltage = 0;   // Nvoltage
  double current = 0;   // NTok
  double constant = 0;  // Pered
  double klas = 0;      // KlasT
};

namespace BaseStore {

// The nominal values of chosenBase's current row (null reads as 0).
BaseNominals readNominals(DataModule& dm);
// Stores them into chosenBase's current row.
void storeNominals(DataModule& dm, const BaseNominals& nominals);

// Appends a base row with only its name (bases is closed first, so chosenBase shows
// the whole table).
void appendBase(DataModule& dm, const QString& name);

// Deletes the base of bases's current row (chosenBase follows it) with its meters
// and their test points.
void deleteCurrentBase(DataModule& dm);

// The meter of the dataset's current row.
MeterData readMeter(Dataset& meters);

// Deletes every meter the statement selects on master, each through chosenMeter so
// that its test points go with it; meters is then reopened on the statement.
void deleteSelectedMeters(DataModule& dm, const Statement& selection);

// Deletes the slot's meters, used or not, with their test points.
void deleteSlotMeters(DataModule& dm, const QString& base, int slot);

// Whether a meter of the base with the meter's type and number is in use in
// another slot (a row whose in-use flag is not false, outside `slot`).
bool pairInUseElsewhere(DataModule& dm, const QString& base, int slot, const MeterData& meter);

// Puts a meter into a slot, unless its type and number are in use in another
// slot of the base: then nothing changes and false is returned. Otherwise the
// slot's old rows (and test points) go, as does a meter of the base with the
// same type and number that is not in use, and a new row in use is appended.
bool putMeterInUse(DataModule& dm, const QString& base, int slot, const MeterData& meter);

// Appends the slot's meter row, in use (meters is closed first).
void appendMeter(DataModule& dm, const QString& base, int slot, const MeterData& meter);

enum class StoreResult {
  Stored,       // the slot's meter in use was stored
  NoMeter,      // the slot holds no meter in use: nothing stored
  YearMissing,  // stored, but the year is not a number: the stored year was kept
};
// Stores year, owner, maker, date and the in-use flag of the slot's meter in
// use (type and number never change this way). `keptYear` receives the stored
// year when the typed one is missing.
StoreResult storeMeterInUse(DataModule& dm, const QString& base, int slot, bool inUse, const MeterData& meter,
                            QString* keptYear = nullptr);

// The year typed as a number; nullopt for empty or non-numeric text.
std::optional<int> yearNumber(const QString& text);

}  // namespace BaseStore
