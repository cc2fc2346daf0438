#pragma once

#include <optional>

#include <QDate>
#include <QList>
#include <QString>

#include "link/MeasuredValues.h"

class Dataset;
class DataModule;

// Turning what the terminal window read from the instrument into test points
// (rows of `slave`), one per meter in use and per save.

// The error to store for a meter's error field as read from an error page:
// none (an empty error) when the field holds no number ("?", letters, blanks),
// so that an unreadable meter never reads as a perfect one.
std::optional<double> storedError(const QString& errorText);

// Errors of 10 % and more are stored as read; smaller ones in hundredths,
// halves to the even hundredth (0.125 → 0.12, 0.375 → 0.38). A tie is judged
// on the decimal value the instrument showed, not on its binary neighbour.
double roundedError(double error);

struct TestPointInput {
  bool page14Lit = false;  // the errors of meters 1-4 were read
  bool page58Lit = false;  // the errors of meters 5-8 were read
  const MeasuredValues* values = nullptr;
  int chosenMeterNum = 0;  // the meter shown in the main window's grid; 0: none
  QDate date;
};

// Appends through `dm.testPoints` (which must be open) one point for every meter
// in use of the base on bases's current row whose page was read, using markedPoints
// for the meters; a meter whose slot number is outside 1..8 (a damaged
// database) is on no page and is skipped. The chosen meter's points are renumbered at once so that
// the grid shows them numbered. Returns how many points were stored; `meters`
// (when given) gets the keys of the meters they were stored for.
int storeTestPoints(DataModule& dm, const TestPointInput& input, QList<qint64>* meters = nullptr);

// Among the rows of `points`, those of meter `meterNum`, in their order: a
// point without a voltage (0) is deleted, the others are numbered 1, 2, 3 ...
void renumberMeterPoints(Dataset& points, int meterNum);
