#include <QDate>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include "DatabaseCopy.h"
#include "database/Connection.h"
#include "support/TempProgramDir.h"
#include "support/TestDatabase.h"
#include "support/TestRegistry.h"

// vt3417-copy-db's copy: a bench's SQLite file into the database the tests
// run on (the PostgreSQL server under test_database_postgresql).
class DatabaseCopyTest : public QObject {
  Q_OBJECT
 private slots:
  void everyRowArrivesWithItsKeyAndKind();
  void filledTargetIsRefused();
  void refusedRowLeavesTargetEmpty();
  void unreadableValueIsRefused_data();
  void unreadableValueIsRefused();
};

namespace {

qint64 count(Connection& db, const QString& sql, const QVariantList& values = {}) {
  QSqlQuery query = db.execute({sql, values, {}});
  return query.next() ? query.value(0).toLongLong() : -1;
}

void run(Connection& db, const QString& sql, const QVariantList& values = {}) {
  db.execute({sql, values, {}});
}

// A bench's database with a gap in the meter keys (a deleted meter), a meter
// out of use, dates and an archived meter with points.
std::unique_ptr<Connection> benchDatabase(const QString& file) {
  auto db = Connection::openSqliteFile(file, "copy source");
  run(*db, "insert into base (namebase, nvoltage, ntok, pered, klast) values ('Б1', 220, 5, 1600, 1)");
  run(*db,
      "insert into master (base, numberch, tip, myyear, myvisible, mynumber, olddate) "
      "values ('Б1', 1, 'СО', 2001, ?, '11', ?), ('Б1', 2, 'СО', 2002, ?, '12', null), "
      "('Б1', 3, 'СЕ', 2003, ?, '13', null)",
      {true, QDate(2020, 5, 14), false, true});
  run(*db, "delete from master where numberch = 2");
  for (int i = 0; i < 450; ++i)  // more than one batch
    run(*db,
        "insert into slave (num, voltage, tok, km, opogr, date, rep, count) values (?, 100, 50, '1', ?, ?, "
        "?, ?)",
        {i % 2 ? 1 : 3, 0.01 * i, QDate(2024, 3, 5), QString(i % 3 ? "R" : ""), i});
  run(*db,
      "insert into masterarhive (base, tip, myyear, myuser, maker, mynumber) values ('Б1', 'СО', 2001, 'Л', "
      "'З', '11')");
  run(*db, "insert into Slavearhiv (num, voltage, date, olddate, count) values (1, 100, ?, ?, 1)",
      {QDate(2024, 3, 5), QDate(2020, 5, 14)});
  return db;
}

}  // namespace

void DatabaseCopyTest::everyRowArrivesWithItsKeyAndKind() {
  QTemporaryDir bench;
  auto source = benchDatabase(bench.filePath("vt3417.sqlite"));
  TempProgramDir dir;
  auto target = TestDatabase::openAnotherConnection("copy target");

  const QList<CopiedTable> copied = copyDatabase(*source, *target);
  QStringList counts;
  for (const CopiedTable& table : copied) counts << QString("%1 %2").arg(table.table).arg(table.rows);
  QCOMPARE(counts, (QStringList{"base 1", "master 2", "slave 450", "masterarhive 1", "Slavearhiv 1"}));

  // Meters keep their keys (3 after the gap) and so their points.
  QCOMPARE(count(*target, "select count(*) from slave where num = 3"), 225);
  QCOMPARE(count(*target, "select count(*) from slave where num = 1 and rep = 'R'"),
           count(*source, "select count(*) from slave where num = 1 and rep = 'R'"));
  QCOMPARE(count(*target, "select count(*) from master where num = 3 and myvisible = ?", {true}), 1);
  QCOMPARE(count(*target, "select count(*) from master where num = 1 and olddate = ?", {QDate(2020, 5, 14)}),
           1);
  QCOMPARE(count(*target, "select count(*) from slave where date = ?", {QDate(2024, 3, 5)}), 450);
  QCOMPARE(count(*target, "select count(*) from Slavearhiv s, masterarhive m where s.num = m.num"), 1);
  // Rows stored after the move get keys after the copied ones.
  QSqlQuery added =
      target->execute({"insert into master (base, numberch) values ('Б1', 4) returning num", {}, "master"});
  QVERIFY(added.next());
  QCOMPARE(added.value(0).toLongLong(), 4);
}

void DatabaseCopyTest::filledTargetIsRefused() {
  QTemporaryDir bench;
  auto source = benchDatabase(bench.filePath("vt3417.sqlite"));
  TempProgramDir dir;
  auto target = TestDatabase::openAnotherConnection("copy target");
  run(*target, "insert into base (namebase) values ('Б9')");
  try {
    copyDatabase(*source, *target);
    QFAIL("copied into a database with rows");
  } catch (const std::runtime_error& error) {
    QVERIFY2(QString::fromUtf8(error.what()).contains("base (1)"), error.what());
  }
  QCOMPARE(count(*target, "select count(*) from master"), 0);
  QCOMPARE(count(*target, "select count(*) from base"), 1);
}

void DatabaseCopyTest::refusedRowLeavesTargetEmpty() {
  QTemporaryDir bench;
  auto source = benchDatabase(bench.filePath("vt3417.sqlite"));
  // An older file may hold one meter archived twice; the target's unique
  // index refuses the second, after three tables were already copied.
  run(*source, "drop index masterarhive_meter");
  run(*source,
      "insert into masterarhive (base, tip, myyear, myuser, maker, mynumber) values ('Б2', 'СО', 2001, 'Л', "
      "'З', '11')");
  TempProgramDir dir;
  auto target = TestDatabase::openAnotherConnection("copy target");
  QVERIFY_THROWS_EXCEPTION(std::runtime_error, copyDatabase(*source, *target));
  for (const char* table : {"base", "master", "slave", "masterarhive", "Slavearhiv"})
    QCOMPARE(count(*target, QString("select count(*) from %1").arg(table)), 0);
}

void DatabaseCopyTest::unreadableValueIsRefused_data() {
  QTest::addColumn<QString>("change");  // of the bench's file
  QTest::addColumn<QString>("named");   // what the refusal names: table, key, field, value
  QTest::newRow("word as error") << "update slave set opogr = 'abc' where n = 7"
                                 << "slave: N = 7, поле Opogr: «abc»";
  QTest::newRow("empty error") << "update slave set opogr = '' where n = 8"
                               << "slave: N = 8, поле Opogr: «»";
  QTest::newRow("comma in a voltage") << "update slave set voltage = '5,0' where n = 9"
                                      << "slave: N = 9, поле Voltage: «5,0»";
  QTest::newRow("impossible date") << "update master set olddate = '2024-02-30' where num = 1"
                                   << "master: Num = 1, поле Olddate: «2024-02-30»";
  QTest::newRow("word as year") << "update masterarhive set myyear = 'две тысячи' where num = 1"
                                << "masterarhive: Num = 1, поле MyYear: «две тысячи»";
}

// A value of the bench's file that is no number (or no date) where the column
// holds numbers (dates) is never copied as 0 or as nothing: the copy is refused
// naming the row and the value, and the target stays empty.
void DatabaseCopyTest::unreadableValueIsRefused() {
  QFETCH(QString, change);
  QFETCH(QString, named);
  QTemporaryDir bench;
  auto source = benchDatabase(bench.filePath("vt3417.sqlite"));
  run(*source, change);
  TempProgramDir dir;
  auto target = TestDatabase::openAnotherConnection("copy target");
  try {
    copyDatabase(*source, *target);
    QFAIL("copied a value that does not read");
  } catch (const std::runtime_error& error) {
    QVERIFY2(QString::fromUtf8(error.what()).contains(named), error.what());
  }
  for (const char* table : {"base", "master", "slave", "masterarhive", "Slavearhiv"})
    QCOMPARE(count(*target, QString("select count(*) from %1").arg(table)), 0);
}

VT3417_REGISTER_TEST(DatabaseCopyTest)
#include "DatabaseCopyTest.moc"
