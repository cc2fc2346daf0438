#pragma once

#include <array>

#include <QChar>
#include <QString>

// The parameter fields of the programming tabs. Values are never rejected:
// leaving a field clamps its number into the field's range.
enum class ParameterField {
  PowerVoltage,
  PowerCurrent,
  Divisions,
  PowerTime,
  EnergyVoltage,
  ErrorVoltage,
  MeterConstant,
  ErrorTime
};

struct FieldRange {
  double low;
  double high;
};
FieldRange rangeOf(ParameterField field);

// The text of a field after leaving it: empty stays empty, anything else is
// read as a number (non-numbers as 0), clamped, and written back.
QString clampFieldText(ParameterField field, const QString& text);

// The order in which Enter in any field validates all of them.
inline constexpr std::array<ParameterField, 8> ValidationOrder = {
    ParameterField::ErrorVoltage,  ParameterField::ErrorTime,    ParameterField::MeterConstant,
    ParameterField::EnergyVoltage, ParameterField::PowerVoltage, ParameterField::PowerCurrent,
    ParameterField::Divisions,     ParameterField::PowerTime};

// Keys an entry field accepts: Backspace, "." and digits.
bool fieldAcceptsKey(QChar key);
