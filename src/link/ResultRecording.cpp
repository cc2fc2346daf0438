#include "link/ResultRecording.h"

#include <cmath>

#include "database/Columns.h"
#include "database/DataModule.h"
#include "database/Rows.h"
#include "database/Statements.h"
#include "settings/NumericText.h"

std::optional<double> storedError(const QString& errorText) {
  QString text = errorText;
  text.remove(u' ');
  bool anyDigit = false;
  for (const QChar c : text) {
    if (c >= u'0' && c <= u'9') {
      anyDigit = true;
    } else if (c != u'.' && c != u'-') {
      return std::nullopt;
    }
  }
  if (!anyDigit) return std::nullopt;
  return textToNumber(text);
}

double roundedError(double error) {
  if (std::fabs(error) >= 10) return error;
  // 0.285 is 28.499999999999996 hundredths in binary; the instrument showed a
  // tie. Six further decimals are far below what its display can show.
  const double hundredths = std::round(error * 100 * 1e6) / 1e6;
  return roundHalfEven(hundredths) / 100;
}

namespace {

constexpr qint64 kSlots = 8;  // MeasuredValues::meterErrorText holds one error per slot

// Slots outside 1..8 (a damaged or hand-edited database) are on no page.
bool pageRead(const TestPointInput& input, qint64 slot) {
  if (slot < 1 || slot > kSlots) return false;
  return (input.page14Lit && slot <= 4) || (input.page58Lit && slot >= 5);
}

void appendPoint(Dataset& points, int meterNum, int slot, const TestPointInput& input) {
  const MeasuredValues& values = *input.values;
  points.append();
  Row::TestPoint point;
  point.meter = meterNum;
  point.voltagePercent = textToNumber(values.voltagePercent());
  point.currentPercent = textToNumber(values.currentPercent());
  point.date = input.date;
  point.powerFactor = values.powerFactorText;
  if (const std::optional<double> value =
          storedError(values.meterErrorText.at(static_cast<size_t>(slot - 1))))
    point.error = roundedError(*value);
  point.write(points);
  points.post();
}

}  // namespace

int storeTestPoints(DataModule& dm, const TestPointInput& input, QList<qint64>* storedMeters) {
  if (!dm.bases->isOpen() || dm.bases->isEmpty()) return 0;
  const QString base = Row::Base::read(*dm.bases).name;
  QueryDataset& meters = *dm.markedPoints;
  meters.reopen(Statements::metersOfBaseInUse(base, false));
  int stored = 0;
  for (meters.first(); !meters.eof(); meters.next()) {
    const Row::Meter meter = Row::Meter::read(meters);
    const qint64 slot = meter.slot;
    if (!pageRead(input, slot)) continue;
    const int meterNum = static_cast<int>(meter.key);
    appendPoint(*dm.testPoints, meterNum, static_cast<int>(slot), input);
    ++stored;
    if (storedMeters) storedMeters->append(meter.key);
    if (meterNum == input.chosenMeterNum) renumberMeterPoints(*dm.testPoints, meterNum);
  }
  return stored;
}

void renumberMeterPoints(Dataset& points, int meterNum) {
  int row = 0;
  int number = 0;
  while (points.moveTo(row)) {
    const Row::TestPoint point = Row::TestPoint::read(points);
    if (point.meter != meterNum) {
      ++row;
    } else if (point.voltagePercent == 0) {
      points.remove();
    } else {
      points.edit();
      points.fieldByName(Columns::TestPoint::number).setInteger(++number);
      points.post();
      ++row;
    }
  }
}
