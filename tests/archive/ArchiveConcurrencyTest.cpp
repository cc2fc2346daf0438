#include <QMutex>
#include <QSemaphore>
#include <QTest>
#include <QThread>

#include "support/RunTogether.h"
#include "support/TestDatabase.h"
#include "support/TestRegistry.h"

#include "ArchiveFixture.h"
#include "archive/ArchiveTransfer.h"
#include "database/DataModule.h"

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

// Several benches on one database archiving and deleting at the same moment:
// each bench is a thread with a connection and a data module of its own.
class ArchiveConcurrencyTest : public QObject {
  Q_OBJECT
 private slots:
  void sameMeterFromSeveralBenchesIsArchivedOnce();
  void deletionDuringTransferLeavesNoStrayPoint();
};

namespace {

const QString kType = QStringLiteral("СЕ301");

// A bench: its own connection and data module, made and used in its thread.
class Bench {
 public:
  explicit Bench(int number) {
    dm_ = std::make_unique<DataModule>(
        TestDatabase::openAnotherConnection(QStringLiteral("bench %1").arg(number)), nullptr);
    if (!dm_->openTables().isEmpty()) throw std::runtime_error("bench could not open its tables");
  }
  DataModule& dm() { return *dm_; }

  // What choosing the meter in the main window's tree does.
  void chooseMeter(const QString& base, int slot) {
    dm_->meters->reopen(Statements::meterInSlotInUse(base, slot));
    dm_->bases->reopen(Statements::baseByName(base));
    if (!dm_->testPoints->isOpen()) dm_->testPoints->open();
  }

 private:
  std::unique_ptr<DataModule> dm_;
};

}  // namespace

void ArchiveConcurrencyTest::sameMeterFromSeveralBenchesIsArchivedOnce() {
  constexpr int kBenches = 4;
  constexpr int kRounds = 6;
  ArchiveFixture fixture;
  // Bench i has the meter in slot 1 of its own base with i + 2 marked points.
  for (int bench = 0; bench < kBenches; ++bench) {
    const QString base = QStringLiteral("Б%1").arg(bench);
    fixture.addBase(base);
    for (int round = 0; round < kRounds; ++round) {
      const qint64 meter = fixture.addMeter(base, round + 1, kType, QStringLiteral("N%1").arg(round));
      for (int point = 0; point < bench + 2; ++point)
        fixture.addPoint(meter, 100, 10 * point, "1", 0.1, QDate(2024, 3, 5), "R");
    }
  }
  for (int round = 0; round < kRounds; ++round) {
    const QStringList errors = runTogether(kBenches, [round](int number) {
      Bench bench(number);
      bench.chooseMeter(QStringLiteral("Б%1").arg(number), round + 1);
      if (!archiveChosenMeter(bench.dm(), QStringLiteral("Б%1").arg(number)))
        throw std::runtime_error("nothing archived");
    });
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join(" | ")));
    const QString number = QStringLiteral("N%1").arg(round);
    QCOMPARE(
        fixture.count("select count(*) from masterarhive where tip = ? and mynumber = ?", {kType, number}),
        1);
    // Every bench's points, numbered together 1 .. n.
    const QList<QVariantList> counts = fixture.rows(
        "select p.count from Slavearhiv p, masterarhive m where p.num = m.num and m.mynumber = ? order by "
        "p.count",
        {number});
    QCOMPARE(counts.size(), 2 + 3 + 4 + 5);
    for (int i = 0; i < counts.size(); ++i) QCOMPARE(counts[i].value(0).toInt(), i + 1);
  }
}

void ArchiveConcurrencyTest::deletionDuringTransferLeavesNoStrayPoint() {
  constexpr int kRounds = 8;
  ArchiveFixture fixture;
  fixture.addBase("Б1");
  for (int round = 0; round < kRounds; ++round) {
    const QString number = QStringLiteral("D%1").arg(round);
    const qint64 archived = fixture.addArchivedMeter(kType, number, 2001);
    fixture.addArchivedPoint(archived, 1);
    const qint64 meter = fixture.addMeter("Б1", round + 1, kType, number);
    for (int point = 0; point < 3; ++point)
      fixture.addPoint(meter, 100, 10, "1", 0.1, QDate(2024, 3, 5), "R");
    const QStringList errors = runTogether(2, [&](int number) {
      Bench bench(number);
      if (number == 0) {
        bench.chooseMeter("Б1", round + 1);
        archiveChosenMeter(bench.dm(), "Б1");
      } else {
        deleteArchivedMeter(bench.dm(), archived);
      }
    });
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join(" | ")));
    QCOMPARE(fixture.count("select count(*) from Slavearhiv where num not in (select num from masterarhive)"),
             0);
    // Either the deletion came last (nothing left) or the transfer did (the
    // meter archived anew with its three points).
    const int left = fixture.count(
        "select count(*) from Slavearhiv p, masterarhive m "
        "where p.num = m.num and m.mynumber = ?",
        {number});
    QVERIFY2(left == 0 || left == 3, qPrintable(QString::number(left)));
  }
}

VT3417_REGISTER_TEST(ArchiveConcurrencyTest)
#include "ArchiveConcurrencyTest.moc"
