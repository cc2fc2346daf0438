#include "bases/InputValidators.h"

#include "bases/FieldRules.h"

#include <QRegularExpressionValidator>

#include <algorithm>

CapitalsValidator::CapitalsValidator(Kind kind, QObject* parent) : QValidator(parent), kind_(kind) {}

QValidator::State CapitalsValidator::validate(QString& input, int&) const {
  input = CapitalLetters(input);
  if (kind_ == Kind::SerialNumber && !std::all_of(input.cbegin(), input.cend(), IsSerialNumberCharacter))
    return Invalid;
  return Acceptable;
}

QValidator* NewDigitsValidator(QObject* parent) {
  return new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), parent);
}

QValidator* NewDecimalValidator(QObject* parent) {
  return new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9.]*")), parent);
}
