#include "database/FieldText.h"

#include "database/FieldValue.h"
#include "settings/NumericText.h"

#include <QDate>

QString realEditText(double value, const QLocale& locale) {
  QString text = numberToText(value);
  text.replace(QLatin1Char('.'), locale.decimalPoint());
  return text;
}

QString fieldEditText(const QVariant& value, FieldType type, const QLocale& locale) {
  if (value.isNull()) return {};
  if (FieldValue::isUnreadable(value)) return value.toString();  // as stored
  switch (type) {
    case FieldType::Text:
      return value.toString();
    case FieldType::Integer:
    case FieldType::AutoIncrement:
      return QString::number(value.toLongLong());
    case FieldType::Real:
      return realEditText(value.toDouble(), locale);
    case FieldType::Bool:
      return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case FieldType::Date:
      return locale.toString(value.toDate(), QLocale::ShortFormat);
  }
  return value.toString();
}
