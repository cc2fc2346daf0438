#include "database/Schema.h"

#include <stdexcept>

namespace {

FieldDef Key(const QString& name) { return {name, FieldType::AutoIncrement, 0, false, {}, true}; }
FieldDef Text(const QString& name, int size, bool required = false, const QString& label = {}) {
  return {name, FieldType::Text, size, required, label, true};
}
FieldDef Integer(const QString& name, bool required = false, const QString& label = {}) {
  return {name, FieldType::Integer, 0, required, label, true};
}
FieldDef Real(const QString& name, const QString& label = {}) {
  return {name, FieldType::Real, 0, false, label, true};
}
FieldDef Date(const QString& name, const QString& label = {}) {
  return {name, FieldType::Date, 0, false, label, true};
}

TableDef MakeBase() {
  return {QStringLiteral("base"),
          QStringLiteral("Base.db"),
          {Key("Num"), Text("NameBase", 20, true), Real("Nvoltage", "Номинальное напряжение, В"),
           Real("NTok", "Номинальный ток, А"), Real("Pered"), Real("KlasT", "Класс точности")},
          QStringLiteral("Num"),
          {{"base_namebase", {"NameBase"}}}};
}

TableDef MakeMaster() {
  return {
      QStringLiteral("master"),
      QStringLiteral("Master.DB"),
      {Key("Num"), Text("Base", 20, true), Integer("NumberCh", true), Text("Tip", 20, false, "Тип счетчика"),
       Integer("MyYear", false, "Год выпуска"), FieldDef{"MyVisible", FieldType::Bool, 0, false, {}, true},
       Text("MyNumber", 20, false, "Заводской номер"), Text("MyUser", 20, false, "Принадлежит"),
       Text("MyMaker", 20, false, "Изготовитель"), Date("Olddate", "Дата предыдущей проверки")},
      QStringLiteral("Num"),
      {{"master_base_slot", {"Base", "NumberCh"}}}};
}

TableDef MakeSlave() {
  return {QStringLiteral("slave"),
          QStringLiteral("slave.DB"),
          {Key("N"), Integer("Num"), Real("Voltage", "Напряжение, %"), Real("Tok", "Ток, %"),
           Text("KM", 6, false, "Кф. мощности"), Real("Opogr", "Отн. погрешность, %"),
           Date("Date", "Дата проверки"), Text("Rep", 1, false, "Запись"), Integer("Count", false, "№")},
          QStringLiteral("N"),
          {{"slave_numImdex", {"Num", "N"}}}};
}

TableDef MakeMasterArhive() {
  return {
      QStringLiteral("masterarhive"),
      QStringLiteral("MasterArhive.db"),
      {Key("Num"), Text("Base", 20, true), Text("Tip", 20, true, "Тип счетчика"),
       Integer("MyYear", true, "Год выпуска"), Text("MyUser", 20, true, "Принадлежит"),
       Text("Maker", 20, true, "Изготовитель"), Real("KlasT", "Класс точности"),
       Real("Nvoltage", "Номинальное напряжение, В"), Real("NTok", "Номинальный ток, А"),
       Real("Pered", "Перед. число имп/кВт*час(кВАР*час)"), Text("MyNumber", 20, true, "Заводской номер")},
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

TableDef MakeSlaveArhiv() {
  return {
      QStringLiteral("Slavearhiv"),
      QStringLiteral("Slavearhiv.DB"),
      {Key("N"), Integer("Num"), Real("Voltage", "Напряжение, %"), Real("Tok", "Ток, %"),
       Text("KM", 6, false, "Кф. мощности"), Real("Opogr", "Отн. погрешность, %"),
       Date("Date", "Дата проверки"), Date("OldDate", "Дата пред. поверки"), Integer("Count", false, "№")},
      QStringLiteral("N"),
      {{"Slavearhiv_numImdex", {"Num", "N"}}}};
}

QString ColumnType(const FieldDef& field, bool postgres) {
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

const TableDef& Base() {
  static const TableDef table = MakeBase();
  return table;
}
const TableDef& Master() {
  static const TableDef table = MakeMaster();
  return table;
}
const TableDef& Slave() {
  static const TableDef table = MakeSlave();
  return table;
}
const TableDef& MasterArhive() {
  static const TableDef table = MakeMasterArhive();
  return table;
}
const TableDef& SlaveArhiv() {
  static const TableDef table = MakeSlaveArhiv();
  return table;
}

QVector<const TableDef*> Tables() { return {&Base(), &Master(), &Slave(), &MasterArhive(), &SlaveArhiv()}; }

const TableDef* Find(const QString& tableName) {
  for (const TableDef* table : Tables())
    if (table->name.compare(tableName, Qt::CaseInsensitive) == 0) return table;
  return nullptr;
}

QStringList CreateStatements(const TableDef& table, const QString& driverName) {
  const bool postgres = driverName.startsWith(QLatin1String("QPSQL"));
  QStringList columns;
  for (const FieldDef& field : table.fields) {
    QString column = field.name + QLatin1Char(' ') + ColumnType(field, postgres);
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
