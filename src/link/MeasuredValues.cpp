#include "link/MeasuredValues.h"

#include "settings/NumericText.h"

void MeasuredValues::clearMeasured() {
  for (QString& text : phaseVoltageText) text.clear();
  for (QString& text : phaseCurrentText) text.clear();
  powerFactorText.clear();
  for (QString& text : meterErrorText) text.clear();
}

void MeasuredValues::setNominalTexts(const QString& voltage, const QString& current) {
  nominalVoltageText = shortText(voltage, TextWidth);
  nominalCurrentText = shortText(current, TextWidth);
}

QString MeasuredValues::voltagePercent() const {
  return percentOfNominal(phaseVoltageText, nominalVoltageText);
}

QString MeasuredValues::currentPercent() const {
  return percentOfNominal(phaseCurrentText, nominalCurrentText);
}

MeasuredValues& programMeasuredValues() {
  static MeasuredValues values;
  return values;
}
