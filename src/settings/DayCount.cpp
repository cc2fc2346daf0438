#include "settings/DayCount.h"

#include <cmath>

namespace {

const QDate kDayZero(1899, 12, 30);
constexpr double kMillisecondsPerDay = 86'400'000.0;
// Far beyond any date the program meets, and safely inside QDate's range.
constexpr double kDayLimit = 3'000'000.0;

// A damaged file may hold any bit pattern; such a value reads as day zero.
bool usable(double days) { return std::isfinite(days) && std::fabs(days) < kDayLimit; }

}  // namespace

QDateTime dateTimeFromDays(double days) {
  if (!usable(days)) return QDateTime(kDayZero, QTime(0, 0), Qt::UTC);
  const double whole = std::trunc(days);
  auto milliseconds = static_cast<int>(std::llround(std::fabs(days - whole) * kMillisecondsPerDay));
  QDate date = kDayZero.addDays(static_cast<qint64>(whole));
  if (milliseconds >= static_cast<int>(kMillisecondsPerDay)) {  // rounded up to the next midnight
    milliseconds = 0;
    date = date.addDays(1);
  }
  return QDateTime(date, QTime::fromMSecsSinceStartOfDay(milliseconds), Qt::UTC);
}

QDate dateFromDays(double days) { return dateTimeFromDays(days).date(); }

double daysFromDate(QDate date) {
  if (!date.isValid()) return 0;
  return static_cast<double>(kDayZero.daysTo(date));
}

double daysFromDateTime(const QDateTime& dateTime) {
  if (!dateTime.isValid()) return 0;
  const double whole = daysFromDate(dateTime.date());
  const double fraction = dateTime.time().msecsSinceStartOfDay() / kMillisecondsPerDay;
  return whole < 0 ? whole - fraction : whole + fraction;
}
