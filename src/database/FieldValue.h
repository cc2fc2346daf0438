#pragma once

#include "database/FieldDef.h"

#include <QDate>
#include <QLocale>
#include <QString>
#include <QVariant>

// Conversions between a field's stored value (null, QString, qint64, double,
// bool or QDate, by the field's kind) and what the program reads and writes.
// Conversions that cannot be made throw std::runtime_error naming the field.
namespace FieldValue {

// A value as the driver returned it, made into the field's kind.
QVariant fromDatabase(const QVariant& raw, FieldType type);
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
