#pragma once

#include "database/FieldDef.h"

#include <QDate>
#include <QLocale>
#include <QString>
#include <QVariant>

// A stored value that does not read as its field's kind: text in a number or
// date column, written by another tool or an old import. It is kept as stored,
// shown as that text (QVariant::toString gives it) and never read as a number
// or a date: FieldValue::to… throw for it, so that it is never taken for 0.
struct UnreadableValue {
  QString stored;
  bool operator==(const UnreadableValue& other) const { return stored == other.stored; }
};
Q_DECLARE_METATYPE(UnreadableValue)

// Conversions between a field's stored value (null, QString, qint64, double,
// bool or QDate, by the field's kind) and what the program reads and writes.
// Conversions that cannot be made throw std::runtime_error naming the field.
namespace FieldValue {

// A value as the driver returned it, made into the field's kind; a text that
// does not read as a number (decimal point only) or an ISO date gives an
// UnreadableValue holding it.
QVariant fromDatabase(const QVariant& raw, FieldType type);
bool isUnreadable(const QVariant& value);
// Text typed or computed for the field: empty gives null; numbers take "." or
// the locale's decimal separator; dates the locale's short format or ISO;
// texts are cut to the field's size.
QVariant fromText(const QString& text, const FieldDef& field, const QLocale& locale = QLocale());
// Any value for the field (a string goes through fromText).
QVariant fromVariant(const QVariant& value, const FieldDef& field);

qint64 toInteger(const QVariant& value, const FieldDef& field);
double toReal(const QVariant& value, const FieldDef& field);
QDate toDate(const QVariant& value, const FieldDef& field);
bool toBool(const QVariant& value, const FieldDef& field);

}  // namespace FieldValue
