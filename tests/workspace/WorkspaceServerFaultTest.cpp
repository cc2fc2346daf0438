#include <QElapsedTimer>
#include <QFile>
#include <QScopeGuard>
#include <QTest>

#include "WorkspaceFixture.h"
#include "support/TestDatabase.h"
#include "support/TestRegistry.h"
#include "ui/MessageService.h"
#include "ui/Selection.h"
#include "workspace/MainWindow.h"

using MessageService::ScriptedAnswers;

// The main window while the lab's server restarts (the real test server, so
// these run alone as CTest's test_workspace_server_faults).
class WorkspaceServerFaultTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase();
  void markAfterARestartNeedsNoWord();
  void markOnAServerInTroubleIsToldOnceAndDoneLater_data();
  void markOnAServerInTroubleIsToldOnceAndDoneLater();
};

namespace {

// Б1 with a meter in slot 1 and three points, the meter chosen in the window.
void chosenMeterWithPoints(WorkspaceFixture& fixture) {
  fixture.rows().addBase(QStringLiteral("Б1"));
  const qint64 meter = fixture.rows().addMeter(QStringLiteral("Б1"), meterIn(1));
  for (int i = 0; i < 3; ++i) fixture.rows().addPoint(meter, pointAt(100));
  fixture.openWindow();
  fixture.leftClick(QStringLiteral("Б1/1"));
}

int markedInDatabase(const WorkspaceFixture& fixture) {
  return fixture.column(QStringLiteral("select count(*) from slave where rep = 'R'")).value(0).toInt();
}

}  // namespace

void WorkspaceServerFaultTest::initTestCase() {
  if (!TestDatabase::usesPostgres() || qEnvironmentVariable("VT3417_SERVER_FAULTS") != QLatin1String("1"))
    QSKIP("the server faults run alone on the test server: CTest's test_workspace_server_faults");
}

void WorkspaceServerFaultTest::markAfterARestartNeedsNoWord() {
  WorkspaceFixture fixture;
  chosenMeterWithPoints(fixture);
  TestDatabase::controlServer("restart");
  ScriptedAnswers answers;
  fixture.clickCell(1, QStringLiteral("Rep"));
  QTest::qWait(200);
  QCOMPARE(answers.texts(), QStringList());
  QCOMPARE(fixture.selection().markedCount(), 1);
  QCOMPARE(markedInDatabase(fixture), 1);
}

void WorkspaceServerFaultTest::markOnAServerInTroubleIsToldOnceAndDoneLater_data() {
  QTest::addColumn<bool>("frozen");
  QTest::addColumn<QString>("told");
  QTest::newRow("down") << false << QStringLiteral("Нет связи с сервером базы данных");
  QTest::newRow("not answering") << true << QStringLiteral("не ответил за 2 с");
}

// The server is down, or stops answering: a click on the mark gives one box
// within the timeout of the settings, the mark stays as stored, and the same
// click marks the point once the server is back.
void WorkspaceServerFaultTest::markOnAServerInTroubleIsToldOnceAndDoneLater() {
  QFETCH(bool, frozen);
  QFETCH(QString, told);
  WorkspaceFixture fixture;
  QFile ini(fixture.filePath(QStringLiteral("sources/database.ini")));
  QVERIFY(ini.open(QIODevice::Append));
  ini.write("timeout=2\n");
  ini.close();
  fixture.restart();
  chosenMeterWithPoints(fixture);
  const auto recover = [frozen] {
    if (frozen)
      TestDatabase::freezeServer(false);
    else
      TestDatabase::controlServer("up");
  };
  auto bringBack = qScopeGuard(recover);
  if (frozen)
    TestDatabase::freezeServer(true);
  else
    TestDatabase::controlServer("down");

  ScriptedAnswers answers;
  QElapsedTimer clock;
  clock.start();
  fixture.clickCell(1, QStringLiteral("Rep"));
  QTest::qWait(200);
  QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
  QCOMPARE(answers.texts().size(), 1);
  QVERIFY2(answers.texts().first().contains(told), qPrintable(answers.texts().first()));
  QCOMPARE(fixture.selection().markedCount(), 0);

  bringBack.dismiss();
  recover();
  answers.clear();
  fixture.clickCell(1, QStringLiteral("Rep"));
  QTest::qWait(200);
  QCOMPARE(answers.texts(), QStringList());
  QCOMPARE(fixture.selection().markedCount(), 1);
  QCOMPARE(markedInDatabase(fixture), 1);
}

VT3417_REGISTER_TEST(WorkspaceServerFaultTest)
#include "WorkspaceServerFaultTest.moc"
