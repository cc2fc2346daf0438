#include "link/MeasuredValues.h"

#include "settings/NumericText.h"

void MeasuredValues::ClearMeasured() {
  for (QString& text : PhaseVoltageText) text.clear();
  for (QString& text : PhaseCurrentText) text.clear();
  PowerFactorText.clear();
  for (QString& text : MeterErrorText) text.clear();
}

void MeasuredValues::SetNominalTexts(const QString& voltage, const QString& current) {
  NominalVoltageText = ShortText(voltage, TextWidth);
  NominalCurrentText = ShortText(current, TextWidth);
}

QString MeasuredValues::VoltagePercent() const {
  return PercentOfNominal(PhaseVoltageText, NominalVoltageText);
}

QString MeasuredValues::CurrentPercent() const {
  return PercentOfNominal(PhaseCurrentText, NominalCurrentText);
}

MeasuredValues& ProgramMeasuredValues() {
  static MeasuredValues values;
  return values;
}
