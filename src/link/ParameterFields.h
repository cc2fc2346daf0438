#pragma once

#include <array>

#include <QChar>
#include <QString>

// The parameter fields of the programming tabs. Values are never rejected:
// leaving a field clamps its number into the field's range.
enum class ParameterField { MEdit1, MEdit2, MEdit3, MEdit4, EEdit1, ENVoltage, PEdit2, PEdit3 };

struct FieldRange {
  double low;
  double high;
};
FieldRange RangeOf(ParameterField field);

// The text of a field after leaving it: empty stays empty, anything else is
// read as a number (non-numbers as 0), clamped, and written back.
QString ClampFieldText(ParameterField field, const QString& text);

// The order in which Enter in any field validates all of them.
inline constexpr std::array<ParameterField, 8> ValidationOrder = {
    ParameterField::ENVoltage, ParameterField::PEdit3, ParameterField::PEdit2, ParameterField::EEdit1,
    ParameterField::MEdit1,    ParameterField::MEdit2, ParameterField::MEdit3, ParameterField::MEdit4};

// Keys an entry field accepts: Backspace, "." and digits.
bool FieldAcceptsKey(QChar key);
