#include "bases/InputValidators.h"

#include "bases/FieldRules.h"

#include <QRegularExpressionValidator>

#include <algorithm>

CapitalsValidator::CapitalsValidator(Kind kind, QObject* parent) : QValidator(parent), kind_(kind) {}

QValidator::State CapitalsValidator::validate(QString& input, int&) const {
  input = capitalLetters(input);
  if (kind_ == Kind::SerialNumber && !std::all_of(input.cbegin(), input.cend(), isSerialNumberCharacter))
    return Invalid;
  return Acceptable;
}

QValidator* newDigitsValidator(QObject* parent) {
  return new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), parent);
}

QValidator* newDecimalValidator(QObject* parent) {
  return new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9.]*")), parent);
}
