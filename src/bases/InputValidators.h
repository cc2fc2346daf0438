#pragma once

#include <QValidator>

// Validators that keep the base editor's and the base name dialog's fields to
// their rules whether the text is typed, pasted or dropped.

// Letters become capitals (FieldRules.h); a serial number also refuses every
// character but digits and capitals.
class CapitalsValidator : public QValidator {
  Q_OBJECT
 public:
  enum class Kind { AnyText, SerialNumber };
  explicit CapitalsValidator(Kind kind, QObject* parent = nullptr);
  State validate(QString& input, int& position) const override;

 private:
  Kind kind_;
};

// Only the digits (a year), or the digits and "." (nominal values, class).
QValidator* newDigitsValidator(QObject* parent);
QValidator* newDecimalValidator(QObject* parent);
