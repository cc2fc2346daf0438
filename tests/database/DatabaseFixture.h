#pragma once

#include "database/UDM.h"
#include "support/TempProgramDir.h"

#include <QDate>
#include <QString>
#include <QTest>

#include <memory>

// A fresh program directory with a data module on its own new database.
struct DatabaseFixture {
  TempProgramDir dir;
  std::unique_ptr<TDM1> dm;

  DatabaseFixture() { start(); }
  void start() {
    dm = std::make_unique<TDM1>();
    const QStringList problems = dm->DataModuleCreate();
    if (!problems.isEmpty()) qFatal("start-up checks failed: %s", qPrintable(problems.join(' ')));
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

  qint64 addBase(const QString& name) {
    dm->QBase->close();  // TBase then shows the whole table
    dm->TBase->append();
    dm->TBase->fieldByName("NameBase").setText(name);
    dm->TBase->fieldByName("Nvoltage").setReal(220);
    dm->TBase->fieldByName("NTok").setReal(5);
    dm->TBase->post();
    return dm->TBase->fieldByName("Num").asInteger();
  }

  qint64 addMeter(const QString& base, int slot, bool inUse = true, const QString& type = "СО-505",
                  const QString& number = {}) {
    dm->QMaster->close();  // TMaster then shows the whole table
    dm->TMaster->append();
    dm->TMaster->fieldByName("Base").setText(base);
    dm->TMaster->fieldByName("NumberCh").setInteger(slot);
    dm->TMaster->fieldByName("MyVisible").setBool(inUse);
    dm->TMaster->fieldByName("Tip").setText(type);
    dm->TMaster->fieldByName("MyNumber").setText(number.isEmpty() ? QString::number(slot) : number);
    dm->TMaster->fieldByName("MyYear").setInteger(2020);
    dm->TMaster->post();
    return dm->TMaster->fieldByName("Num").asInteger();
  }

  void addPoints(qint64 meterNum, int count, double voltage = 100) {
    if (!dm->TSlave->isOpen()) dm->TSlave->open();
    for (int i = 0; i < count; ++i) {
      dm->TSlave->append();
      dm->TSlave->fieldByName("Num").setInteger(meterNum);
      dm->TSlave->fieldByName("Voltage").setReal(voltage);
      dm->TSlave->fieldByName("Opogr").setReal(0.25 * i);
      dm->TSlave->fieldByName("Date").setDate(QDate(2024, 3, 5));
      dm->TSlave->post();
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
    dm->TMasterArhive->append();
    dm->TMasterArhive->fieldByName("Base").setText(base);
    dm->TMasterArhive->fieldByName("Tip").setText(type);
    dm->TMasterArhive->fieldByName("MyNumber").setText(number);
    dm->TMasterArhive->fieldByName("MyYear").setInteger(year);
    dm->TMasterArhive->fieldByName("MyUser").setText("ЦСМ");
    dm->TMasterArhive->fieldByName("Maker").setText("Завод");
    dm->TMasterArhive->post();
    return dm->TMasterArhive->fieldByName("Num").asInteger();
  }
};
