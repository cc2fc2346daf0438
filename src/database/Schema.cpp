#include "database/Schema.h"

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
  return {QStringLiteral("base"),
          QStringLiteral("Base.db"),
          {keyField("Num"), textField("NameBase", 20, true), realField("Nvoltage", "Номинальное напряжение, В"),
           realField("NTok", "Номинальный ток, А"), realField("Pered"), realField("KlasT", "Класс точности")},
          QStringLiteral("Num"),
          {{"base_namebase", {"NameBase"}}}};
}

TableDef makeMaster() {
  return {
      QStringLiteral("master"),
      QStringLiteral("Master.DB"),
      {keyField("Num"), textField("Base", 20, true), integerField("NumberCh", true), textField("Tip", 20, false, "Тип счетчика"),
       integerField("MyYear", false, "Год выпуска"), FieldDef{"MyVisible", FieldType::Bool, 0, false, {}, true},
       textField("MyNumber", 20, false, "Заводской номер"), textField("MyUser", 20, false, "Принадлежит"),
       textField("MyMaker", 20, false, "Изготовитель"), dateField("Olddate", "Дата предыдущей проверки")},
      QStringLiteral("Num"),
      {{"master_base_slot", {"Base", "NumberCh"}}}};
}

TableDef makeSlave() {
  return {QStringLiteral("slave"),
          QStringLiteral("slave.DB"),
          {keyField("N"), integerField("Num"), realField("Voltage", "Напряжение, %"), realField("Tok", "Ток, %"),
           textField("KM", 6, false, "Кф. мощности"), realField("Opogr", "Отн. погрешность, %"),
           dateField("Date", "Дата проверки"), textField("Rep", 1, false, "Запись"), integerField("Count", false, "№")},
          QStringLiteral("N"),
          {{"slave_numImdex", {"Num", "N"}}}};
}

TableDef makeMasterArhive() {
  return {
      QStringLiteral("masterarhive"),
      QStringLiteral("MasterArhive.db"),
      {keyField("Num"), textField("Base", 20, true), textField("Tip", 20, true, "Тип счетчика"),
       integerField("MyYear", true, "Год выпуска"), textField("MyUser", 20, true, "Принадлежит"),
       textField("Maker", 20, true, "Изготовитель"), realField("KlasT", "Класс точности"),
       realField("Nvoltage", "Номинальное напряжение, В"), realField("NTok", "Номинальный ток, А"),
       realField("Pered", "Перед. число имп/кВт*час(кВАР*час)"), textField("MyNumber", 20, true, "Заводской номер")},
      QStringLiteral("Num"),
      // The browser's three orders (each index orders equal values by the key
      // too), lookups by serial number (with type) and by base. A meter is
      // archived once: type and serial number name it, whichever bench
      // archives it.
      {{"masterarhive_meter", {"Tip", "MyNumber"}, true},
       {"masterarhive_tip", {"Tip"}},
       {"masterarhive_number", {"MyNumber"}},
       {"masterarhive_year", {"MyYear"}},
       {"masterarhive_base", {"Base"}}}};
}

TableDef makeSlaveArhiv() {
  return {
      QStringLiteral("Slavearhiv"),
      QStringLiteral("Slavearhiv.DB"),
      {keyField("N"), integerField("Num"), realField("Voltage", "Напряжение, %"), realField("Tok", "Ток, %"),
       textField("KM", 6, false, "Кф. мощности"), realField("Opogr", "Отн. погрешность, %"),
       dateField("Date", "Дата проверки"), dateField("OldDate", "Дата пред. поверки"), integerField("Count", false, "№")},
      QStringLiteral("N"),
      {{"Slavearhiv_numImdex", {"Num", "N"}}}};
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
      return field.name.compare(QLatin1String("NumberCh"), Qt::CaseInsensitive) == 0
                 ? QStringLiteral("smallint")
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
