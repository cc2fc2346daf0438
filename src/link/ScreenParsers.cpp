#include "link/ScreenParsers.h"

#include "link/Koi7.h"
#include "settings/NumericText.h"

namespace {

constexpr int FirstValueColumn = 4;
constexpr int LastPhaseColumn = 9;
constexpr int LastWideColumn = 15;

void readPhaseTexts(const InstrumentScreen& screen, std::array<QString, 3>& texts) {
  for (int row = 0; row < 3; ++row) {
    texts[row] =
        shortText(numericCells(screen, row, FirstValueColumn, LastPhaseColumn), MeasuredValues::TextWidth);
  }
}

bool showsMilliamperes(const InstrumentScreen& screen) {
  for (int k = 1; k <= 14; ++k) {
    if (screen.at(0, k) == cp1251Capital(u'М') && screen.at(0, k + 1) == cp1251Capital(u'А')) return true;
  }
  return false;
}

}  // namespace

QString numericCells(const InstrumentScreen& screen, int row, int first, int last, bool keepMinus) {
  QString text;
  for (int column = first; column <= last; ++column) {
    const uint8_t ch = screen.at(row, column);
    if ((ch >= '0' && ch <= '9') || ch == '.' || (keepMinus && ch == '-')) text.append(QChar(ch));
  }
  return text;
}

void readVoltages(const InstrumentScreen& screen, MeasuredValues& values) {
  readPhaseTexts(screen, values.phaseVoltageText);
}

void readCurrents(const InstrumentScreen& screen, MeasuredValues& values) {
  std::array<QString, 3> texts;
  readPhaseTexts(screen, texts);
  if (showsMilliamperes(screen)) {
    for (QString& text : texts) {
      if (!text.isEmpty())
        text = shortText(numberToText(textToNumber(text) / 1000), MeasuredValues::TextWidth);
    }
  }
  values.phaseCurrentText = texts;
}

QString powerFactorSuffix(double powerFactor, double angle, bool activePower) {
  if (powerFactor == 1 || powerFactor == -1) return {};
  const double phi = angle;
  if (activePower) {
    if ((phi > 0 && phi <= 90) || (phi > 180 && phi < 270)) return QStringLiteral("/L");
    if ((phi > 90 && phi < 180) || (phi >= 270 && phi < 360)) return QStringLiteral("/C");
  } else {
    if ((phi >= 0 && phi < 90) || (phi > 180 && phi < 270)) return QStringLiteral("/L");
    if ((phi > 90 && phi <= 180) || (phi > 270 && phi <= 360)) return QStringLiteral("/C");
  }
  return {};
}

void readPowerFactor(const InstrumentScreen& screen, bool errorModeActive, MeasuredValues& values) {
  const QString factorText = numericCells(screen, 1, FirstValueColumn, LastWideColumn, true);
  const QString angleText = numericCells(screen, 0, FirstValueColumn, LastWideColumn);
  const QString suffix =
      powerFactorSuffix(textToNumber(factorText), textToNumber(angleText), errorModeActive);
  values.powerFactorText = shortText(factorText + suffix, MeasuredValues::PowerFactorWidth);
}

double readPower(const InstrumentScreen& screen) {
  return textToNumber(numericCells(screen, 2, FirstValueColumn, LastWideColumn));
}
