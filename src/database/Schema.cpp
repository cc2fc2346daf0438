#include "database/Schema.h"

#include "database/Columns.h"

#include <stdexcept>

namespace {

FieldDef keyField(const QString& name) { return {name, FieldType::AutoIncrement, 0, false, {}, true}; }
FieldDef textField(const QString& name, int size, bool required = false, const QString& label = {}) {
  return {name, FieldType::Text, size, required, label, true};
}
FieldDef integerField(const QString& name, bool required = false, const QString& label = {}) {
  return {name, FieldType::Integer, 0, required, label, true};
}
FieldDef realField(const QString& name, const QString& label = {}) {
  return {name, FieldType::Real, 0, false, label, true};
}
FieldDef dateField(const QString& name, const QString& label = {}) {
  return {name, FieldType::Date, 0, false, label, true};
}

TableDef makeBase() {
  namespace Column = Columns::Base;
  return {QStringLiteral("base"),
          QStringLiteral("Base.db"),
          {keyField(Column::key), textField(Column::name, 20, true),
           realField(Column::nominalVoltage, "Номинальное напряжение, В"),
           realField(Column::nominalCurrent, "Номинальный ток, А"), realField(Column::meterConstant),
           realField(Column::accuracyClass, "Класс точности")},
          Column::key,
          {{"base_namebase", {Column::name}}}};
}

TableDef makeMaster() {
  namespace Column = Columns::Meter;
  return {
      QStringLiteral("master"),
      QStringLiteral("Master.DB"),
      {keyField(Column::key), textField(Column::base, 20, true), integerField(Column::slot, true),
       textField(Column::type, 20, false, "Тип счетчика"), integerField(Column::year, false, "Год выпуска"),
       FieldDef{Column::inUse, FieldType::Bool, 0, false, {}, true},
       textField(Column::serialNumber, 20, false, "Заводской номер"),
       textField(Column::owner, 20, false, "Принадлежит"),
       textField(Column::maker, 20, false, "Изготовитель"),
       dateField(Column::previousCheck, "Дата предыдущей проверки")},
      Column::key,
      {{"master_base_slot", {Column::base, Column::slot}}}};
}

TableDef makeSlave() {
  namespace Column = Columns::TestPoint;
  return {
      QStringLiteral("slave"),
      QStringLiteral("slave.DB"),
      {keyField(Column::key), integerField(Column::meter), realField(Column::voltagePercent, "Напряжение, %"),
       realField(Column::currentPercent, "Ток, %"), textField(Column::powerFactor, 6, false, "Кф. мощности"),
       realField(Column::error, "Отн. погрешность, %"), dateField(Column::date, "Дата проверки"),
       textField(Column::mark, 1, false, "Запись"), integerField(Column::number, false, "№")},
      Column::key,
      {{"slave_numImdex", {Column::meter, Column::key}}}};
}

TableDef makeMasterArhive() {
  namespace Column = Columns::ArchivedMeter;
  return {
      QStringLiteral("masterarhive"),
      QStringLiteral("MasterArhive.db"),
      {keyField(Column::key), textField(Column::base, 20, true),
       textField(Column::type, 20, true, "Тип счетчика"), integerField(Column::year, true, "Год выпуска"),
       textField(Column::owner, 20, true, "Принадлежит"), textField(Column::maker, 20, true, "Изготовитель"),
       realField(Column::accuracyClass, "Класс точности"),
       realField(Column::nominalVoltage, "Номинальное напряжение, В"),
       realField(Column::nominalCurrent, "Номинальный ток, А"),
       realField(Column::meterConstant, "Перед. число имп/кВт*час(кВАР*час)"),
       textField(Column::serialNumber, 20, true, "Заводской номер")},
      Column::key,
      // The browser's three orders (each index orders equal values by the key
      // too), lookups by serial number (with type) and by base. A meter is
      // archived once: type and serial number name it, whichever bench
      // archives it.
      {{"masterarhive_meter", {Column::type, Column::serialNumber}, true},
       {"masterarhive_tip", {Column::type}},
       {"masterarhive_number", {Column::serialNumber}},
       {"masterarhive_year", {Column::year}},
       {"masterarhive_base", {Column::base}}}};
}

TableDef makeSlaveArhiv() {
  namespace Column = Columns::ArchivedPoint;
  return {QStringLiteral("Slavearhiv"),
          QStringLiteral("Slavearhiv.DB"),
          {keyField(Column::key), integerField(Column::archivedMeter),
           realField(Column::voltagePercent, "Напряжение, %"), realField(Column::currentPercent, "Ток, %"),
           textField(Column::powerFactor, 6, false, "Кф. мощности"),
           realField(Column::error, "Отн. погрешность, %"), dateField(Column::date, "Дата проверки"),
           dateField(Column::previousCheck, "Дата пред. поверки"), integerField(Column::number, false, "№")},
          Column::key,
          {{"Slavearhiv_numImdex", {Column::archivedMeter, Column::key}}}};
}

QString columnType(const FieldDef& field, bool postgres) {
  switch (field.type) {
    case FieldType::AutoIncrement:
      // AUTOINCREMENT: keys of deleted rows are never handed out again.
      return postgres ? QStringLiteral("serial primary key")
                      : QStringLiteral("integer primary key autoincrement");
    case FieldType::Text:
      return QStringLiteral("varchar(%1)").arg(field.size);
    case FieldType::Integer:
      return field.name.compare(Columns::Meter::slot, Qt::CaseInsensitive) == 0 ? QStringLiteral("smallint")
                                                                                : QStringLiteral("integer");
    case FieldType::Real:
      return QStringLiteral("double precision");
    case FieldType::Bool:
      return QStringLiteral("boolean");
    case FieldType::Date:
      return QStringLiteral("date");
  }
  throw std::logic_error("unknown field type");
}

}  // namespace

int TableDef::fieldIndex(const QString& name) const {
  for (int i = 0; i < fields.size(); ++i)
    if (fields[i].name.compare(name, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

const FieldDef* TableDef::field(const QString& name) const {
  const int index = fieldIndex(name);
  return index < 0 ? nullptr : &fields[index];
}

namespace Schema {

const TableDef& base() {
  static const TableDef table = makeBase();
  return table;
}
const TableDef& master() {
  static const TableDef table = makeMaster();
  return table;
}
const TableDef& slave() {
  static const TableDef table = makeSlave();
  return table;
}
const TableDef& masterArhive() {
  static const TableDef table = makeMasterArhive();
  return table;
}
const TableDef& slaveArhiv() {
  static const TableDef table = makeSlaveArhiv();
  return table;
}

QVector<const TableDef*> tables() { return {&base(), &master(), &slave(), &masterArhive(), &slaveArhiv()}; }

const TableDef* find(const QString& tableName) {
  for (const TableDef* table : tables())
    if (table->name.compare(tableName, Qt::CaseInsensitive) == 0) return table;
  return nullptr;
}

QStringList createStatements(const TableDef& table, const QString& driverName) {
  const bool postgres = driverName.startsWith(QLatin1String("QPSQL"));
  QStringList columns;
  for (const FieldDef& field : table.fields) {
    QString column = field.name + QLatin1Char(' ') + columnType(field, postgres);
    // Texts compare by character code on both engines (prefix ranges rely on it).
    if (postgres && field.type == FieldType::Text) column += QStringLiteral(" collate \"C\"");
    if (field.required) column += QStringLiteral(" not null");
    columns << column;
  }
  QStringList statements{
      QStringLiteral("create table %1 (%2)").arg(table.name, columns.join(QStringLiteral(", ")))};
  for (const IndexDef& index : table.indexes)
    statements << QStringLiteral("create %1index %2 on %3 (%4)")
                      .arg(index.unique ? QStringLiteral("unique ") : QString(), index.name, table.name,
                           index.columns.join(QStringLiteral(", ")));
  return statements;
}

}  // namespace Schema
