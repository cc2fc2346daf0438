#pragma once

#include "database/DataModule.h"
#include "support/TempProgramDir.h"
#include "support/TestDatabase.h"

#include <QDate>
#include <QString>
#include <QTest>

#include <memory>

// A fresh program directory with a data module on its own new database.
struct DatabaseFixture {
  TempProgramDir dir;
  std::unique_ptr<DataModule> dm;

  DatabaseFixture() { start(); }
  void start() {
    dm = std::make_unique<DataModule>();
    const QStringList problems = dm->openTables();
    if (!problems.isEmpty())
      qFatal("start-up checks failed: %s %s", qPrintable(dm->connectionError()),
             qPrintable(problems.join(' ')));
  }
  void restart() {
    dm.reset();
    start();
  }
  Connection& db() { return *dm->connection(); }

  qint64 count(const QString& sql, const QVariantList& values = {}) {
    QSqlQuery query = db().execute({sql, values, {}});
    return query.next() ? query.value(0).toLongLong() : -1;
  }

  // Whether the database has a table or an index of that name, on either engine.
  bool hasTable(const QString& name) {
    return TestDatabase::usesPostgres()
               ? count("select count(*) from pg_tables where schemaname = current_schema() and tablename = ?",
                       {name.toLower()}) == 1
               : count("select count(*) from sqlite_master where type = 'table' and name = ?", {name}) == 1;
  }
  bool hasIndex(const QString& name, bool unique = false) {
    if (TestDatabase::usesPostgres())
      return count(
                 "select count(*) from pg_indexes where schemaname = current_schema() and indexname = ? "
                 "and (indexdef like 'CREATE UNIQUE%') = ?",
                 {name.toLower(), unique}) == 1;
    return count(
               "select count(*) from sqlite_master where type = 'index' and name = ? "
               "and (upper(sql) like 'CREATE UNIQUE%') = ?",
               {name, unique}) == 1;
  }

  qint64 addBase(const QString& name) {
    dm->bases->close();  // chosenBase then shows the whole table
    dm->chosenBase->append();
    dm->chosenBase->fieldByName("NameBase").setText(name);
    dm->chosenBase->fieldByName("Nvoltage").setReal(220);
    dm->chosenBase->fieldByName("NTok").setReal(5);
    dm->chosenBase->post();
    return dm->chosenBase->fieldByName("Num").asInteger();
  }

  qint64 addMeter(const QString& base, int slot, bool inUse = true, const QString& type = "СО-505",
                  const QString& number = {}) {
    dm->meters->close();  // chosenMeter then shows the whole table
    dm->chosenMeter->append();
    dm->chosenMeter->fieldByName("Base").setText(base);
    dm->chosenMeter->fieldByName("NumberCh").setInteger(slot);
    dm->chosenMeter->fieldByName("MyVisible").setBool(inUse);
    dm->chosenMeter->fieldByName("Tip").setText(type);
    dm->chosenMeter->fieldByName("MyNumber").setText(number.isEmpty() ? QString::number(slot) : number);
    dm->chosenMeter->fieldByName("MyYear").setInteger(2020);
    dm->chosenMeter->post();
    return dm->chosenMeter->fieldByName("Num").asInteger();
  }

  void addPoints(qint64 meterNum, int count, double voltage = 100) {
    if (!dm->testPoints->isOpen()) dm->testPoints->open();
    for (int i = 0; i < count; ++i) {
      dm->testPoints->append();
      dm->testPoints->fieldByName("Num").setInteger(meterNum);
      dm->testPoints->fieldByName("Voltage").setReal(voltage);
      dm->testPoints->fieldByName("Opogr").setReal(0.25 * i);
      dm->testPoints->fieldByName("Date").setDate(QDate(2024, 3, 5));
      dm->testPoints->post();
    }
  }

  // Archived meters numbered "0", "1", ... stored in one go.
  void addArchivedMeters(int count) {
    Connection::Transaction transaction(db());
    for (int i = 0; i < count; ++i)
      db().execute(
          {"insert into masterarhive (base, tip, mynumber, myyear, myuser, maker) "
           "values ('Б', 'Т', ?, 2000, 'В', 'З')",
           {QString::number(i)},
           "masterarhive"});
    transaction.commit();
  }

  qint64 addArchivedMeter(const QString& type, const QString& number, int year, const QString& base = "Б1") {
    dm->archivedMeterTable->append();
    dm->archivedMeterTable->fieldByName("Base").setText(base);
    dm->archivedMeterTable->fieldByName("Tip").setText(type);
    dm->archivedMeterTable->fieldByName("MyNumber").setText(number);
    dm->archivedMeterTable->fieldByName("MyYear").setInteger(year);
    dm->archivedMeterTable->fieldByName("MyUser").setText("ЦСМ");
    dm->archivedMeterTable->fieldByName("Maker").setText("Завод");
    dm->archivedMeterTable->post();
    return dm->archivedMeterTable->fieldByName("Num").asInteger();
  }
};
