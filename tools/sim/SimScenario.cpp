#include "SimScenario.h"

#include <QFile>
#include <QStringList>

namespace {

bool parseNumber(const QString& text, double& value) {
  bool ok = false;
  value = text.toDouble(&ok);
  return ok;
}

// One value for all three phases, or three values.
bool parsePhases(const QString& text, std::optional<std::array<double, 3>>& phases) {
  const QStringList items = text.split(u' ', Qt::SkipEmptyParts);
  if (items.size() != 1 && items.size() != 3) return false;
  std::array<double, 3> values{};
  for (int i = 0; i < 3; ++i) {
    if (!parseNumber(items[items.size() == 1 ? 0 : i], values[i])) return false;
  }
  phases = values;
  return true;
}

// Eight errors in percent; "-" for a meter that is not connected.
bool parseErrors(const QString& text, std::array<std::optional<double>, 8>& errors) {
  const QStringList items = text.split(u' ', Qt::SkipEmptyParts);
  if (items.size() != 8) return false;
  for (int i = 0; i < 8; ++i) {
    double value = 0;
    if (items[i] == u"-") {
      errors[i].reset();
    } else if (parseNumber(items[i], value)) {
      errors[i] = value;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

double SimScenario::totalPower() const {
  if (power) return *power;
  double sum = 0;
  for (int phase = 0; phase < 3; ++phase) sum += phaseVoltage(phase) * phaseCurrent(phase) * powerFactor;
  return sum;
}

bool SimScenario::showsMilliamperes() const {
  if (currentUnit != CurrentUnit::Auto) return currentUnit == CurrentUnit::Milliamperes;
  for (int phase = 0; phase < 3; ++phase) {
    if (phaseCurrent(phase) >= 1) return false;
  }
  return true;
}

bool SimScenario::set(const QString& key, const QString& rawValue, QString& error) {
  const QString value = rawValue.trimmed();
  double number = 0;
  bool ok = true;
  if (key == u"nominal_voltage") {
    ok = parseNumber(value, nominalVoltage);
  } else if (key == u"nominal_current") {
    ok = parseNumber(value, nominalCurrent);
  } else if (key == u"voltage") {
    ok = parsePhases(value, voltage);
  } else if (key == u"current") {
    ok = parsePhases(value, current);
  } else if (key == u"current_unit") {
    ok = value == u"auto" || value == u"a" || value == u"ma";
    currentUnit = value == u"a"    ? CurrentUnit::Amperes
                  : value == u"ma" ? CurrentUnit::Milliamperes
                                   : CurrentUnit::Auto;
  } else if (key == u"power_factor") {
    ok = parseNumber(value, powerFactor);
  } else if (key == u"power_factor_decimals") {
    powerFactorDecimals = value.toInt(&ok);
    ok = ok && powerFactorDecimals >= 1 && powerFactorDecimals <= 3;
  } else if (key == u"angle") {
    ok = parseNumber(value, angle) && angle >= 0 && angle <= 360;
  } else if (key == u"power") {
    ok = parseNumber(value, number);
    if (ok) power = number;
  } else if (key == u"errors") {
    ok = parseErrors(value, errors);
  } else if (key == u"noise") {
    ok = parseNumber(value, noise) && noise >= 0;
  } else if (key == u"error_noise") {
    ok = parseNumber(value, errorNoise) && errorNoise >= 0;
  } else if (key == u"seed") {
    seed = value.toUInt(&ok);
  } else if (key == u"refresh_ms") {
    refreshMs = value.toInt(&ok);
    ok = ok && refreshMs >= 300;  // the watchdog needs quiet gaps of 250 ms
  } else {
    error = QStringLiteral("unknown setting \"%1\"").arg(key);
    return false;
  }
  if (!ok) error = QStringLiteral("bad value \"%1\" for %2").arg(value, key);
  return ok;
}

bool SimScenario::load(const QString& path, QString& error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
    error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
    return false;
  }
  int lineNumber = 0;
  while (!file.atEnd()) {
    ++lineNumber;
    const QString line = QString::fromUtf8(file.readLine()).section(u'#', 0, 0).trimmed();
    if (line.isEmpty()) continue;
    const qsizetype equals = line.indexOf(u'=');
    QString why = QStringLiteral("expected \"key = value\"");
    if (equals > 0 && set(line.left(equals).trimmed(), line.mid(equals + 1), why)) continue;
    error = QStringLiteral("%1, line %2: %3").arg(path).arg(lineNumber).arg(why);
    return false;
  }
  return true;
}
