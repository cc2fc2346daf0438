#include "legacy/LegacyTable.h"

#include <QDir>

namespace {

[[noreturn]] void fail(const QString& file, const QString& problem) {
  throw LegacyFileError(QStringLiteral("Файл %1: %2").arg(QDir::toNativeSeparators(file), problem));
}

bool holds(const FieldDef& field, const ParadoxTable::Field& stored) {
  switch (field.type) {
    case FieldType::AutoIncrement:
      return stored.type == ParadoxType::AutoIncrement || stored.type == ParadoxType::Long;
    case FieldType::Integer:
      return stored.type == ParadoxType::Short || stored.type == ParadoxType::Long ||
             stored.type == ParadoxType::AutoIncrement;
    case FieldType::Real:
      return stored.type == ParadoxType::Number || stored.type == ParadoxType::Currency ||
             stored.type == ParadoxType::Short || stored.type == ParadoxType::Long;
    case FieldType::Text:
      return stored.type == ParadoxType::Alpha && stored.size <= field.size;
    case FieldType::Bool:
      return stored.type == ParadoxType::Logical;
    case FieldType::Date:
      return stored.type == ParadoxType::Date;
  }
  return false;
}

QString expected(const FieldDef& field) {
  switch (field.type) {
    case FieldType::AutoIncrement:
      return paradoxTypeName(ParadoxType::AutoIncrement);
    case FieldType::Integer:
      return QStringLiteral("целое");
    case FieldType::Real:
      return paradoxTypeName(ParadoxType::Number);
    case FieldType::Text:
      return QStringLiteral("текст не длиннее %1 символов").arg(field.size);
    case FieldType::Bool:
      return paradoxTypeName(ParadoxType::Logical);
    case FieldType::Date:
      return paradoxTypeName(ParadoxType::Date);
  }
  return {};
}

QString described(const ParadoxTable::Field& stored) {
  if (stored.type == ParadoxType::Alpha) return QStringLiteral("текст длиной %1 символов").arg(stored.size);
  return paradoxTypeName(stored.type);
}

}  // namespace

QString findLegacyTableFile(const QString& folder, const TableDef& table) {
  const QDir dir(folder);
  if (!dir.exists()) fail(folder, QStringLiteral("папка не найдена."));
  QStringList found;
  for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden))
    if (name.compare(table.fileName, Qt::CaseInsensitive) == 0) found << name;
  if (found.isEmpty())
    fail(dir.filePath(table.fileName), QStringLiteral("не найден: в папке нет таблицы %1.").arg(table.name));
  if (found.size() > 1)
    fail(dir.filePath(found.front()), QStringLiteral("в папке несколько файлов таблицы %1 (%2).")
                                          .arg(table.name, found.join(QStringLiteral(", "))));
  return dir.filePath(found.front());
}

LegacyTable::LegacyTable(const QString& folder, const TableDef& table)
    : table_(table), file_(std::make_unique<ParadoxTable>(findLegacyTableFile(folder, table))) {
  const QVector<ParadoxTable::Field>& stored = file_->fields();
  for (const FieldDef& field : table.fields) {
    const auto match = std::find_if(stored.begin(), stored.end(), [&](const ParadoxTable::Field& candidate) {
      return candidate.name.compare(field.name, Qt::CaseInsensitive) == 0;
    });
    if (match == stored.end()) fail(file_->path(), QStringLiteral("нет поля %1.").arg(field.name));
    if (!holds(field, *match))
      fail(file_->path(), QStringLiteral("поле %1 имеет тип «%2», ожидается «%3».")
                              .arg(field.name, described(*match), expected(field)));
    columns_ << int(match - stored.begin());
  }
}

QVariantList LegacyTable::read(int index) {
  file_->read(index);
  QVariantList row;
  row.reserve(columns_.size());
  for (qsizetype i = 0; i < columns_.size(); ++i) {
    QVariant value = file_->value(columns_[i]);
    // Integers read into a number field become numbers.
    if (table_.fields[i].type == FieldType::Real && value.typeId() == QMetaType::LongLong)
      value = value.toDouble();
    row << value;
  }
  return row;
}
