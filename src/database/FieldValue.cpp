#include "database/FieldValue.h"

#include <QDateTime>

#include <cmath>
#include <optional>
#include <stdexcept>

namespace {

[[noreturn]] void Unreadable(const QString& text, const FieldDef& field) {
  throw std::runtime_error(
      QStringLiteral("\"%1\" не является допустимым значением поля %2.").arg(text, field.name).toStdString());
}

std::optional<double> ParseReal(QString text, const QLocale& locale) {
  text = text.trimmed();
  text.replace(locale.decimalPoint(), QStringLiteral("."));
  text.replace(QLatin1Char(','), QLatin1Char('.'));
  bool ok = false;
  const double value = QLocale::c().toDouble(text, &ok);
  if (!ok || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<qint64> ParseInteger(const QString& text) {
  bool ok = false;
  const qint64 value = text.trimmed().toLongLong(&ok);
  if (!ok) return std::nullopt;
  return value;
}

// "yyyy-MM-dd", as dates are stored: read directly, it is the common case.
QDate ParseIsoDate(const QString& text) {
  if (text.size() != 10 || text[4] != QLatin1Char('-') || text[7] != QLatin1Char('-')) return {};
  int parts[3] = {0, 0, 0};
  int part = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (i == 4 || i == 7) {
      ++part;
      continue;
    }
    if (!text[i].isDigit()) return {};
    parts[part] = parts[part] * 10 + text[i].digitValue();
  }
  return QDate(parts[0], parts[1], parts[2]);
}

QDate ParseDate(const QString& text, const QLocale& locale) {
  const QString trimmed = text.trimmed();
  if (const QDate iso = ParseIsoDate(trimmed); iso.isValid()) return iso;
  for (const QString& format : {locale.dateFormat(QLocale::ShortFormat), QStringLiteral("yyyy-MM-dd"),
                                QStringLiteral("dd.MM.yyyy"), QStringLiteral("d.M.yyyy")}) {
    const QDate date = QDate::fromString(trimmed, format);
    if (date.isValid()) return date;
  }
  // A date with a time part, as some engines return it.
  const QDateTime stamp = QDateTime::fromString(trimmed, Qt::ISODate);
  return stamp.isValid() ? stamp.date() : QDate();
}

std::optional<bool> ParseBool(const QString& text) {
  const QString lower = text.trimmed().toLower();
  if (lower == QLatin1String("true") || lower == QLatin1String("1") || lower == QLatin1String("t"))
    return true;
  if (lower == QLatin1String("false") || lower == QLatin1String("0") || lower == QLatin1String("f"))
    return false;
  return std::nullopt;
}

bool IsText(const QVariant& value) { return value.typeId() == QMetaType::QString; }

}  // namespace

namespace FieldValue {

QVariant FromDatabase(const QVariant& raw, FieldType type) {
  if (raw.isNull()) return {};
  switch (type) {
    case FieldType::Text:
      return raw.toString();
    case FieldType::Integer:
    case FieldType::AutoIncrement:
      return raw.toLongLong();
    case FieldType::Real:
      return raw.toDouble();
    case FieldType::Bool:
      return IsText(raw) ? QVariant(ParseBool(raw.toString()).value_or(false)) : QVariant(raw.toBool());
    case FieldType::Date: {
      if (raw.typeId() == QMetaType::QDate) return raw;
      if (raw.typeId() == QMetaType::QDateTime) return raw.toDateTime().date();
      const QDate date = ParseDate(raw.toString(), QLocale::c());
      return date.isValid() ? QVariant(date) : QVariant();
    }
  }
  return raw;
}

QVariant FromText(const QString& text, const FieldDef& field, const QLocale& locale) {
  if (text.isEmpty()) return {};
  switch (field.type) {
    case FieldType::Text:
      return field.size > 0 ? text.left(field.size) : text;
    case FieldType::Integer:
    case FieldType::AutoIncrement: {
      if (const auto value = ParseInteger(text)) return *value;
      if (const auto real = ParseReal(text, locale); real && std::trunc(*real) == *real)
        return static_cast<qint64>(*real);
      Unreadable(text, field);
    }
    case FieldType::Real:
      if (const auto value = ParseReal(text, locale)) return *value;
      Unreadable(text, field);
    case FieldType::Bool:
      if (const auto value = ParseBool(text)) return *value;
      Unreadable(text, field);
    case FieldType::Date: {
      const QDate date = ParseDate(text, locale);
      if (!date.isValid()) Unreadable(text, field);
      return date;
    }
  }
  return text;
}

QVariant FromVariant(const QVariant& value, const FieldDef& field) {
  if (value.isNull()) return {};
  if (IsText(value)) return FromText(value.toString(), field);
  switch (field.type) {
    case FieldType::Text:
      return FromText(value.toString(), field);
    case FieldType::Integer:
    case FieldType::AutoIncrement:
      return ToInteger(value, field);
    case FieldType::Real:
      return value.toDouble();
    case FieldType::Bool:
      return value.toBool();
    case FieldType::Date:
      return ToDate(value, field);
  }
  return value;
}

qint64 ToInteger(const QVariant& value, const FieldDef& field) {
  if (value.isNull()) return 0;
  switch (value.typeId()) {
    case QMetaType::Double:
      return std::llround(value.toDouble());
    case QMetaType::QString:
      if (value.toString().trimmed().isEmpty()) return 0;
      if (const auto number = ParseInteger(value.toString())) return *number;
      if (const auto real = ParseReal(value.toString(), QLocale())) return std::llround(*real);
      Unreadable(value.toString(), field);
    case QMetaType::QDate:
      Unreadable(value.toDate().toString(Qt::ISODate), field);
    default:
      return value.toLongLong();
  }
}

double ToReal(const QVariant& value, const FieldDef& field) {
  if (value.isNull()) return 0;
  switch (value.typeId()) {
    case QMetaType::QString:
      if (value.toString().trimmed().isEmpty()) return 0;
      if (const auto real = ParseReal(value.toString(), QLocale())) return *real;
      Unreadable(value.toString(), field);
    case QMetaType::QDate:
      Unreadable(value.toDate().toString(Qt::ISODate), field);
    default:
      return value.toDouble();
  }
}

QDate ToDate(const QVariant& value, const FieldDef& field) {
  if (value.isNull()) return {};
  if (value.typeId() == QMetaType::QDate) return value.toDate();
  if (value.typeId() == QMetaType::QDateTime) return value.toDateTime().date();
  if (IsText(value)) {
    const QDate date = ParseDate(value.toString(), QLocale());
    if (date.isValid()) return date;
  }
  Unreadable(value.toString(), field);
}

bool ToBool(const QVariant& value, const FieldDef& field) {
  if (value.isNull()) return false;
  if (IsText(value)) {
    if (value.toString().trimmed().isEmpty()) return false;
    if (const auto flag = ParseBool(value.toString())) return *flag;
    Unreadable(value.toString(), field);
  }
  if (value.typeId() == QMetaType::QDate) Unreadable(value.toDate().toString(Qt::ISODate), field);
  return value.toBool();
}

}  // namespace FieldValue
