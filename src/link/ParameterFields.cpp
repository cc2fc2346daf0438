#include "link/ParameterFields.h"

#include "settings/NumericText.h"

FieldRange rangeOf(ParameterField field) {
  switch (field) {
    case ParameterField::PowerVoltage:
    case ParameterField::EnergyVoltage:
    case ParameterField::ErrorVoltage:
      return {46.1, 456};
    case ParameterField::PowerCurrent:
      return {0.01, 10};
    case ParameterField::Divisions:
      return {1, 99999};
    case ParameterField::PowerTime:
    case ParameterField::ErrorTime:
      return {1, 999};
    case ParameterField::MeterConstant:
      return {0.1, 99999999};
  }
  return {0, 0};
}

QString clampFieldText(ParameterField field, const QString& text) {
  if (text.isEmpty()) return text;
  const FieldRange range = rangeOf(field);
  double value = textToNumber(text);
  if (value < range.low) value = range.low;
  if (value > range.high) value = range.high;
  return numberToText(value);
}

bool fieldAcceptsKey(QChar key) { return key == QChar(8) || key == u'.' || (key >= u'0' && key <= u'9'); }
