#include <QMutex>
#include <QSemaphore>
#include <QSqlQuery>
#include <QTest>
#include <QThread>
#include "database/TableDataset.h"

#include "database/DatabaseFixture.h"
#include "support/RunTogether.h"
#include "support/TestDatabase.h"
#include "support/TestRegistry.h"

#include <atomic>
#include <functional>
#include <vector>

// Several connections on one database (benches on the server, or programs on
// the SQLite file), each in a thread of its own.
class SharedDatabaseTest : public QObject {
  Q_OBJECT
 private slots:
  void eightBenchesSavingLoseNoPoint();
  void transactionsThatClashAreRunAgain();
  void editOfRowDeletedElsewhereIsRefused();
};

void SharedDatabaseTest::eightBenchesSavingLoseNoPoint() {
  constexpr int kBenches = 8;
  constexpr int kPoints = 60;
  DatabaseFixture f;
  const QStringList errors = runTogether(kBenches, [](int bench) {
    auto connection = TestDatabase::openAnotherConnection(QStringLiteral("bench %1").arg(bench));
    TableDataset points(connection.get(), Schema::slave());
    points.open();
    for (int i = 0; i < kPoints; ++i) {
      points.append();
      points.fieldByName("Num").setInteger(100 + bench);
      points.fieldByName("Voltage").setReal(100);
      points.fieldByName("Count").setInteger(i + 1);
      points.post();
    }
  });
  QVERIFY2(errors.isEmpty(), qPrintable(errors.join(" | ")));
  QCOMPARE(f.count("select count(*) from slave"), kBenches * kPoints);
  QCOMPARE(f.count("select count(distinct n) from slave"), kBenches * kPoints);
  for (int bench = 0; bench < kBenches; ++bench)
    QCOMPARE(f.count("select count(distinct count) from slave where num = ?", {100 + bench}), kPoints);
}

void SharedDatabaseTest::transactionsThatClashAreRunAgain() {
  // Each bench adds one to every one of a few counters, in its own order, in
  // one transaction: crossing orders deadlock on PostgreSQL and find the file
  // busy on SQLite. Every increment must arrive once.
  constexpr int kBenches = 4;
  constexpr int kRounds = 10;
  DatabaseFixture f;
  for (int i = 0; i < 3; ++i) f.addBase(QStringLiteral("Б%1").arg(i));
  std::atomic<int> attempts{0};
  const QStringList errors = runTogether(kBenches, [&attempts](int bench) {
    auto connection = TestDatabase::openAnotherConnection(QStringLiteral("bench %1").arg(bench));
    for (int round = 0; round < kRounds; ++round)
      connection->runTransaction([&] {
        ++attempts;
        for (int step = 0; step < 3; ++step) {
          const int base = bench % 2 ? step : 2 - step;
          connection->run({"update base set nvoltage = nvoltage + 1 where namebase = ?",
                           {QStringLiteral("Б%1").arg(base)},
                           "base"});
          QThread::msleep(1);
        }
      });
  });
  QVERIFY2(errors.isEmpty(), qPrintable(errors.join(" | ")));
  QCOMPARE(f.count("select count(*) from base where nvoltage = ?", {220.0 + kBenches * kRounds}), 3);
  qInfo("%d attempts for %d transactions", attempts.load(), kBenches * kRounds);
}

void SharedDatabaseTest::editOfRowDeletedElsewhereIsRefused() {
  DatabaseFixture f;
  f.addBase("Б1");
  const qint64 meter = f.addMeter("Б1", 1);
  f.dm->meters->reopen(Statements::meterInSlot("Б1", 1));
  QCOMPARE(f.dm->chosenMeter->fieldByName("Num").asInteger(), meter);
  {
    auto other = TestDatabase::openAnotherConnection("other bench");
    other->run({"delete from master where num = ?", {meter}, "master"});
  }
  f.dm->chosenMeter->edit();
  f.dm->chosenMeter->fieldByName("Tip").setText("СЕ");
  QVERIFY_THROWS_EXCEPTION(std::runtime_error, f.dm->chosenMeter->post());
  QCOMPARE(f.count("select count(*) from master"), 0);  // not stored back either
}

VT3417_REGISTER_TEST(SharedDatabaseTest)
#include "SharedDatabaseTest.moc"
