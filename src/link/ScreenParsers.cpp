#include "link/ScreenParsers.h"

#include "link/Koi7.h"
#include "settings/NumericText.h"

namespace {

constexpr int FirstValueColumn = 4;
constexpr int LastPhaseColumn = 9;
constexpr int LastWideColumn = 15;

void ReadPhaseTexts(const InstrumentScreen& screen, std::array<QString, 3>& texts) {
  for (int row = 0; row < 3; ++row) {
    texts[row] =
        ShortText(NumericCells(screen, row, FirstValueColumn, LastPhaseColumn), MeasuredValues::TextWidth);
  }
}

bool ShowsMilliamperes(const InstrumentScreen& screen) {
  for (int k = 1; k <= 14; ++k) {
    if (screen.At(0, k) == Cp1251Capital(u'М') && screen.At(0, k + 1) == Cp1251Capital(u'А')) return true;
  }
  return false;
}

}  // namespace

QString NumericCells(const InstrumentScreen& screen, int row, int first, int last, bool keepMinus) {
  QString text;
  for (int column = first; column <= last; ++column) {
    const uint8_t ch = screen.At(row, column);
    if ((ch >= '0' && ch <= '9') || ch == '.' || (keepMinus && ch == '-')) text.append(QChar(ch));
  }
  return text;
}

void ReadVoltages(const InstrumentScreen& screen, MeasuredValues& values) {
  ReadPhaseTexts(screen, values.PhaseVoltageText);
}

void ReadCurrents(const InstrumentScreen& screen, MeasuredValues& values) {
  std::array<QString, 3> texts;
  ReadPhaseTexts(screen, texts);
  if (ShowsMilliamperes(screen)) {
    for (QString& text : texts) {
      if (!text.isEmpty())
        text = ShortText(NumberToText(TextToNumber(text) / 1000), MeasuredValues::TextWidth);
    }
  }
  values.PhaseCurrentText = texts;
}

QString PowerFactorSuffix(double powerFactor, double angle, bool activePower) {
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

void ReadPowerFactor(const InstrumentScreen& screen, bool errorModeActive, MeasuredValues& values) {
  const QString factorText = NumericCells(screen, 1, FirstValueColumn, LastWideColumn, true);
  const QString angleText = NumericCells(screen, 0, FirstValueColumn, LastWideColumn);
  const QString suffix =
      PowerFactorSuffix(TextToNumber(factorText), TextToNumber(angleText), errorModeActive);
  values.PowerFactorText = ShortText(factorText + suffix, MeasuredValues::PowerFactorWidth);
}

double ReadPower(const InstrumentScreen& screen) {
  return TextToNumber(NumericCells(screen, 2, FirstValueColumn, LastWideColumn));
}
