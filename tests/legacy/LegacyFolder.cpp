#include "LegacyFolder.h"

#include "database/Connection.h"
#include "database/FieldValue.h"
#include "database/Schema.h"

#include <QDate>
#include <QDir>
#include <QSqlQuery>
#include <QSqlRecord>

using paradox_fixture::ParadoxWriter;

namespace {

const QVariant null;

QString valueText(const QVariant& value) {
  if (value.isNull()) return QStringLiteral("-");
  switch (value.typeId()) {
    case QMetaType::Double:
      return QString::number(value.toDouble(), 'g', 17);
    case QMetaType::QDate:
      return value.toDate().toString(Qt::ISODate);
    case QMetaType::Bool:
      return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    default:
      return value.toString();
  }
}

}  // namespace

QStringList legacyFileNames() {
  return {"Base.db", "Master.DB", "slave.DB", "MasterArhive.db", "Slavearhiv.DB"};
}

void writeLegacyFolder(const QString& folder, const LegacyRows& rows, const QStringList& skip) {
  QDir().mkpath(folder);
  const QVector<QVector<paradox_fixture::Field>> fields{
      paradox_fixture::baseFields(), paradox_fixture::meterFields(), paradox_fixture::pointFields(),
      paradox_fixture::archivedMeterFields(), paradox_fixture::archivedPointFields()};
  const QVector<const QVector<QVariantList>*> tables{&rows.bases, &rows.meters, &rows.points,
                                                     &rows.archivedMeters, &rows.archivedPoints};
  for (int i = 0; i < tables.size(); ++i) {
    const QString name = legacyFileNames()[i];
    if (skip.contains(name)) continue;
    ParadoxWriter writer(QDir(folder).filePath(name), fields[i]);
    for (const QVariantList& row : *tables[i]) writer.add(row);
  }
}

LegacyRows labHistory() {
  const QDate tested(2020, 3, 4);
  const QDate checked(2019, 5, 14);
  LegacyRows rows;
  rows.bases = {
      {1, "Б1 Поверка", 220.0, 5.0, 1600.0, 1.0},
      {2, "Щит №2 «Восток»", 57.7, 1.0, 5000.0, 0.5},
      {3, "Пустая", null, null, null, null},
  };
  rows.meters = {
      {1, "Б1 Поверка", 1, "СО-505", 2001, true, "012345", "ЛАБОРАТОРИЯ", "Энергомера", checked},
      {2, "Б1 Поверка", 2, "ЦЭ6803", null, false, "000777", null, null, null},
      {5, "Щит №2 «Восток»", 1, "СЕ301", 1998, null, "А-17", "ОАО «Ёлка»", "Завод", QDate(1999, 12, 31)},
      {7, "Нет такой", 1, "Х", 2000, true, "1", null, null, null},
  };
  rows.points = {
      {1, 1, 100.0, 5.0, "1", 0.25, tested, "R", 1},
      {2, 1, 100.0, 100.0, "0.5/L", null, tested, null, 2},
      {3, 1, 0.0, 0.0, null, 0.0, QDate(1899, 12, 30), "R", 3},
      {4, 5, 80.0, 10.0, "0.8/C", -1.5, QDate(2021, 1, 2), "R", 1},
      {9, 7, 100.0, 5.0, "1", 0.1, tested, null, 1},
      {10, 99, 100.0, 5.0, "1", 0.1, tested, null, 1},
  };
  rows.archivedMeters = {
      {1, "Б1 Поверка", "СО-505", 2001, "ЛАБОРАТОРИЯ", "Энергомера", 1.0, 220.0, 5.0, 1600.0, "012345"},
      {4, "Щит №2 «Восток»", "СЕ301", 1998, "ОАО «Ёлка»", "Завод", null, null, null, null, "А-17"},
      {6, "Б1", "СО-505", 2003, "ЦСМ", "Энергомера", 1.0, 220.0, 5.0, 1600.0, "012345"},
  };
  rows.archivedPoints = {
      {1, 1, 100.0, 5.0, "1", 0.25, tested, checked, 1},
      {2, 1, 100.0, 100.0, "0.5/L", null, tested, null, 2},
      {5, 4, 80.0, 10.0, "0.8/C", 0.0, QDate(2021, 1, 2), QDate(1999, 12, 31), 1},
      {6, 6, 100.0, 20.0, "1", 0.1, QDate(2022, 2, 2), checked, 1},
      {8, 42, 100.0, 5.0, "1", 0.1, tested, null, 1},
  };
  return rows;
}

QStringList tableLines(Connection& connection, const QString& table) {
  const TableDef& def = *Schema::find(table);
  QSqlQuery query = connection.execute(
      {QStringLiteral("select * from %1 order by %2").arg(def.name, def.keyField), {}, def.name});
  const QSqlRecord record = query.record();
  QStringList lines;
  while (query.next()) {
    QStringList values;
    for (const FieldDef& field : def.fields)
      values << valueText(FieldValue::fromDatabase(query.value(record.indexOf(field.name)), field.type));
    lines << values.join(QLatin1Char('|'));
  }
  return lines;
}

QStringList databaseLines(Connection& connection) {
  QStringList lines;
  for (const TableDef* table : Schema::tables())
    for (const QString& line : tableLines(connection, table->name))
      lines << table->name + QLatin1Char(' ') + line;
  return lines;
}
