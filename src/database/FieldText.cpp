#include "database/FieldText.h"

#include "settings/NumericText.h"

#include <QDate>

QString RealEditText(double value, const QLocale& locale) {
  QString text = NumberToText(value);
  text.replace(QLatin1Char('.'), locale.decimalPoint());
  return text;
}

QString FieldEditText(const QVariant& value, FieldType type, const QLocale& locale) {
  if (value.isNull()) return {};
  switch (type) {
    case FieldType::Text:
      return value.toString();
    case FieldType::Integer:
    case FieldType::AutoIncrement:
      return QString::number(value.toLongLong());
    case FieldType::Real:
      return RealEditText(value.toDouble(), locale);
    case FieldType::Bool:
      return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case FieldType::Date:
      return locale.toString(value.toDate(), QLocale::ShortFormat);
  }
  return value.toString();
}
