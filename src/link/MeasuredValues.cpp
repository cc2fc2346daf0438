#include "link/MeasuredValues.h"

#include "settings/NumericText.h"

void MeasuredValues::clearMeasured() {
  for (QString& text : PhaseVoltageText) text.clear();
  for (QString& text : PhaseCurrentText) text.clear();
  powerFactorText.clear();
  for (QString& text : MeterErrorText) text.clear();
}

void MeasuredValues::setNominalTexts(const QString& voltage, const QString& current) {
  NominalVoltageText = shortText(voltage, TextWidth);
  NominalCurrentText = shortText(current, TextWidth);
}

QString MeasuredValues::voltagePercent() const {
  return percentOfNominal(PhaseVoltageText, NominalVoltageText);
}

QString MeasuredValues::currentPercent() const {
  return percentOfNominal(PhaseCurrentText, NominalCurrentText);
}

MeasuredValues& programMeasuredValues() {
  static MeasuredValues values;
  return values;
}
