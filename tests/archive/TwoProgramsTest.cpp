#include <QProcess>
#include <QTest>

#include "support/TestRegistry.h"

#include "ArchiveFixture.h"
#include "database/DataModule.h"
#include "settings/ProgramDir.h"

#include <memory>
#include <vector>

// Two real program processes on one database (the server, or the SQLite file).
class TwoProgramsTest : public QObject {
  Q_OBJECT
 private slots:
  void firstStartOnEmptyDatabaseTogether();
  void sameMeterArchivedByTwoProgramsAtOnce();
};

namespace {

// Starts the probes at once and waits for all; their exit codes and errors.
QStringList runProbes(const QList<QStringList>& argumentLists) {
  std::vector<std::unique_ptr<QProcess>> probes;
  for (const QStringList& arguments : argumentLists) {
    probes.push_back(std::make_unique<QProcess>());
    probes.back()->start(QStringLiteral(VT3417_BENCH_PROBE), arguments);
  }
  QStringList failures;
  for (auto& probe : probes) {
    if (!probe->waitForFinished(120000) || probe->exitStatus() != QProcess::NormalExit ||
        probe->exitCode() != 0)
      failures << QStringLiteral("exit %1: %2")
                      .arg(probe->exitCode())
                      .arg(QString::fromUtf8(probe->readAllStandardError()));
  }
  return failures;
}

}  // namespace

void TwoProgramsTest::firstStartOnEmptyDatabaseTogether() {
  TempProgramDir dir;  // an empty database; neither program has made its tables yet
  const QStringList failures = runProbes({{dir.path()}, {dir.path()}, {dir.path()}});
  QVERIFY2(failures.isEmpty(), qPrintable(failures.join(" | ")));
}

void TwoProgramsTest::sameMeterArchivedByTwoProgramsAtOnce() {
  ArchiveFixture fixture;
  // The same meter measured on two benches: 2 and 3 marked points.
  for (int bench = 1; bench <= 2; ++bench) {
    const QString base = QStringLiteral("СТЕНД%1").arg(bench);
    fixture.addBase(base);
    const qint64 meter = fixture.addMeter(base, 1, "СЕ301", "777");
    for (int point = 0; point <= bench; ++point)
      fixture.addPoint(meter, 100, 10 * point, "1", 0.1, QDate(2024, 3, 5), "R");
  }
  const QString dir = programDir();
  const QStringList failures = runProbes({{dir, "СТЕНД1", "1"}, {dir, "СТЕНД2", "1"}});
  QVERIFY2(failures.isEmpty(), qPrintable(failures.join(" | ")));
  QCOMPARE(
      fixture.count("select count(*) from masterarhive where tip = ? and mynumber = ?", {"СЕ301", "777"}), 1);
  const QList<QVariantList> counts = fixture.rows("select count from Slavearhiv order by count");
  QCOMPARE(counts.size(), 5);
  for (int i = 0; i < counts.size(); ++i) QCOMPARE(counts[i].value(0).toInt(), i + 1);
}

VT3417_REGISTER_TEST(TwoProgramsTest)
#include "TwoProgramsTest.moc"
