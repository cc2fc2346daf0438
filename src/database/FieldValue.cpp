#include "database/FieldValue.h"

#include <QDateTime>

#include <cmath>
#include <optional>
#include <stdexcept>

namespace {

[[noreturn]] void throwUnreadable(const QString& text, const FieldDef& field) {
  throw std::runtime_error(
      QStringLiteral("\"%1\" не является допустимым значением поля %2.").arg(text, field.name).toStdString());
}

std::optional<double> parseReal(QString text, const QLocale& locale) {
  text = text.trimmed();
  text.replace(locale.decimalPoint(), QStringLiteral("."));
  text.replace(QLatin1Char(','), QLatin1Char('.'));
  bool ok = false;
  const double value = QLocale::c().toDouble(text, &ok);
  if (!ok || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<qint64> parseInteger(const QString& text) {
  bool ok = false;
  const qint64 value = text.trimmed().toLongLong(&ok);
  if (!ok) return std::nullopt;
  return value;
}

// "yyyy-MM-dd", as dates are stored: read directly, it is the common case.
QDate parseIsoDate(const QString& text) {
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

QDate parseDate(const QString& text, const QLocale& locale) {
  const QString trimmed = text.trimmed();
  if (const QDate iso = parseIsoDate(trimmed); iso.isValid()) return iso;
  for (const QString& format : {locale.dateFormat(QLocale::ShortFormat), QStringLiteral("yyyy-MM-dd"),
                                QStringLiteral("dd.MM.yyyy"), QStringLiteral("d.M.yyyy")}) {
    const QDate date = QDate::fromString(trimmed, format);
    if (date.isValid()) return date;
  }
  // A date with a time part, as some engines return it.
  const QDateTime stamp = QDateTime::fromString(trimmed, Qt::ISODate);
  return stamp.isValid() ? stamp.date() : QDate();
}

std::optional<bool> parseBool(const QString& text) {
  const QString lower = text.trimmed().toLower();
  if (lower == QLatin1String("true") || lower == QLatin1String("1") || lower == QLatin1String("t"))
    return true;
  if (lower == QLatin1String("false") || lower == QLatin1String("0") || lower == QLatin1String("f"))
    return false;
  return std::nullopt;
}

bool isText(const QVariant& value) { return value.typeId() == QMetaType::QString; }

// A number as the database stores it: decimal point, no group separators.
std::optional<double> storedReal(const QVariant& raw) {
  if (!isText(raw)) return raw.toDouble();
  bool ok = false;
  const double value = raw.toString().trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(value)) return std::nullopt;
  return value;
}

QVariant unreadable(const QVariant& raw) {
  // Shown and written back as the text it is.
  static const bool converts = QMetaType::registerConverter<UnreadableValue, QString>(
      [](const UnreadableValue& value) { return value.stored; });
  Q_UNUSED(converts);
  return QVariant::fromValue(UnreadableValue{raw.toString()});
}

}  // namespace

namespace FieldValue {

QVariant fromDatabase(const QVariant& raw, FieldType type) {
  if (raw.isNull()) return {};
  if (isUnreadable(raw)) return raw;
  switch (type) {
    case FieldType::Text:
      return raw.toString();
    case FieldType::Integer:
    case FieldType::AutoIncrement: {
      if (!isText(raw)) return raw.toLongLong();
      const auto value = parseInteger(raw.toString());
      return value ? QVariant(*value) : unreadable(raw);
    }
    case FieldType::Real: {
      const auto value = storedReal(raw);
      return value ? QVariant(*value) : unreadable(raw);
    }
    case FieldType::Bool:
      return isText(raw) ? QVariant(parseBool(raw.toString()).value_or(false)) : QVariant(raw.toBool());
    case FieldType::Date: {
      if (raw.typeId() == QMetaType::QDate) return raw;
      if (raw.typeId() == QMetaType::QDateTime) return raw.toDateTime().date();
      const QDate date = parseDate(raw.toString(), QLocale::c());
      return date.isValid() ? QVariant(date) : unreadable(raw);
    }
  }
  return raw;
}

bool isUnreadable(const QVariant& value) {
  return value.metaType() == QMetaType::fromType<UnreadableValue>();
}

QVariant fromText(const QString& text, const FieldDef& field, const QLocale& locale) {
  if (text.isEmpty()) return {};
  switch (field.type) {
    case FieldType::Text:
      return field.size > 0 ? text.left(field.size) : text;
    case FieldType::Integer:
    case FieldType::AutoIncrement: {
      if (const auto value = parseInteger(text)) return *value;
      if (const auto real = parseReal(text, locale); real && std::trunc(*real) == *real)
        return static_cast<qint64>(*real);
      throwUnreadable(text, field);
    }
    case FieldType::Real:
      if (const auto value = parseReal(text, locale)) return *value;
      throwUnreadable(text, field);
    case FieldType::Bool:
      if (const auto value = parseBool(text)) return *value;
      throwUnreadable(text, field);
    case FieldType::Date: {
      const QDate date = parseDate(text, locale);
      if (!date.isValid()) throwUnreadable(text, field);
      return date;
    }
  }
  return text;
}

QVariant fromVariant(const QVariant& value, const FieldDef& field) {
  if (value.isNull()) return {};
  if (isUnreadable(value)) return value;  // kept as stored
  if (isText(value)) return fromText(value.toString(), field);
  switch (field.type) {
    case FieldType::Text:
      return fromText(value.toString(), field);
    case FieldType::Integer:
    case FieldType::AutoIncrement:
      return toInteger(value, field);
    case FieldType::Real:
      return value.toDouble();
    case FieldType::Bool:
      return value.toBool();
    case FieldType::Date:
      return toDate(value, field);
  }
  return value;
}

qint64 toInteger(const QVariant& value, const FieldDef& field) {
  if (value.isNull()) return 0;
  if (isUnreadable(value)) throwUnreadable(value.value<UnreadableValue>().stored, field);
  switch (value.typeId()) {
    case QMetaType::Double:
      return std::llround(value.toDouble());
    case QMetaType::QString:
      if (value.toString().trimmed().isEmpty()) return 0;
      if (const auto number = parseInteger(value.toString())) return *number;
      if (const auto real = parseReal(value.toString(), QLocale())) return std::llround(*real);
      throwUnreadable(value.toString(), field);
    case QMetaType::QDate:
      throwUnreadable(value.toDate().toString(Qt::ISODate), field);
    default:
      return value.toLongLong();
  }
}

double toReal(const QVariant& value, const FieldDef& field) {
  if (value.isNull()) return 0;
  if (isUnreadable(value)) throwUnreadable(value.value<UnreadableValue>().stored, field);
  switch (value.typeId()) {
    case QMetaType::QString:
      if (value.toString().trimmed().isEmpty()) return 0;
      if (const auto real = parseReal(value.toString(), QLocale())) return *real;
      throwUnreadable(value.toString(), field);
    case QMetaType::QDate:
      throwUnreadable(value.toDate().toString(Qt::ISODate), field);
    default:
      return value.toDouble();
  }
}

QDate toDate(const QVariant& value, const FieldDef& field) {
  if (value.isNull()) return {};
  if (isUnreadable(value)) throwUnreadable(value.value<UnreadableValue>().stored, field);
  if (value.typeId() == QMetaType::QDate) return value.toDate();
  if (value.typeId() == QMetaType::QDateTime) return value.toDateTime().date();
  if (isText(value)) {
    const QDate date = parseDate(value.toString(), QLocale());
    if (date.isValid()) return date;
  }
  throwUnreadable(value.toString(), field);
}

bool toBool(const QVariant& value, const FieldDef& field) {
  if (value.isNull()) return false;
  if (isUnreadable(value)) throwUnreadable(value.value<UnreadableValue>().stored, field);
  if (isText(value)) {
    if (value.toString().trimmed().isEmpty()) return false;
    if (const auto flag = parseBool(value.toString())) return *flag;
    throwUnreadable(value.toString(), field);
  }
  if (value.typeId() == QMetaType::QDate) throwUnreadable(value.toDate().toString(Qt::ISODate), field);
  return value.toBool();
}

}  // namespace FieldValue
