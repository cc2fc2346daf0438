#include <QCoreApplication>
#include <QProcess>
#include <QTest>
#include <QUuid>

#include <memory>

#include "support/TestRegistry.h"

#include "ui/MessageService.h"

// Two real processes of the probe compete for one marker.
class SingleInstanceTest : public QObject {
  Q_OBJECT
 private slots:
  void init();
  void secondCopyIsRefusedWithOneBox();
  void startsAgainAfterFirstEnded();
  void startsAgainAfterFirstWasKilled();

 private:
  std::unique_ptr<QProcess> start();
  QString markerName_;
};

namespace {

// Waits until the probe has reported whether it got the marker.
QString waitForVerdict(QProcess& probe) {
  QString output;
  for (int i = 0;
       i < 300 && !output.contains(QStringLiteral("running")) && !output.contains(QStringLiteral("refused"));
       ++i) {
    probe.waitForReadyRead(100);
    output += QString::fromUtf8(probe.readAllStandardOutput());
  }
  return output;
}

}  // namespace

void SingleInstanceTest::init() {
  // A marker of our own, so that a program running on this machine is not disturbed.
  markerName_ = QStringLiteral("VT3417 v1.0 test %1").arg(QUuid::createUuid().toString(QUuid::Id128));
}

std::unique_ptr<QProcess> SingleInstanceTest::start() {
  auto probe = std::make_unique<QProcess>();
  probe->setProgram(QStringLiteral(VT3417_INSTANCE_PROBE));
  probe->setArguments({markerName_});
  probe->start();
  if (!probe->waitForStarted(10000)) qWarning() << probe->errorString();
  return probe;
}

void SingleInstanceTest::secondCopyIsRefusedWithOneBox() {
  auto first = start();
  QVERIFY(waitForVerdict(*first).contains(QStringLiteral("running")));

  auto second = start();
  QVERIFY(second->waitForFinished(30000));
  QCOMPARE(second->exitStatus(), QProcess::NormalExit);
  QCOMPARE(second->exitCode(), 0);
  const QStringList lines =
      QString::fromUtf8(second->readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
  const QString errorKind = QString::number(static_cast<int>(MessageService::Kind::Error));
  QCOMPARE(
      lines,
      QStringList(
          {QStringLiteral("box|%1|top|VT3417 v1.0|Запуск второй копии программы недопустим.").arg(errorKind),
           QStringLiteral("windows|0"), QStringLiteral("refused")}));

  // The first copy is not disturbed.
  QCOMPARE(first->state(), QProcess::Running);
  first->closeWriteChannel();
  QVERIFY(first->waitForFinished(30000));
}

void SingleInstanceTest::startsAgainAfterFirstEnded() {
  auto first = start();
  QVERIFY(waitForVerdict(*first).contains(QStringLiteral("running")));
  first->closeWriteChannel();
  QVERIFY(first->waitForFinished(30000));

  auto next = start();
  const QString verdict = waitForVerdict(*next);
  QVERIFY2(verdict.contains(QStringLiteral("running")), qPrintable(verdict));
  QVERIFY(!verdict.contains(QStringLiteral("box|")));
  next->closeWriteChannel();
  QVERIFY(next->waitForFinished(30000));
}

void SingleInstanceTest::startsAgainAfterFirstWasKilled() {
  auto first = start();
  QVERIFY(waitForVerdict(*first).contains(QStringLiteral("running")));
  first->kill();  // SIGKILL: the copy leaves its marker behind
  QVERIFY(first->waitForFinished(30000));
  QCOMPARE(first->exitStatus(), QProcess::CrashExit);

  auto next = start();
  const QString verdict = waitForVerdict(*next);
  QVERIFY2(verdict.contains(QStringLiteral("running")), qPrintable(verdict));
  next->closeWriteChannel();
  QVERIFY(next->waitForFinished(30000));
}

VT3417_REGISTER_TEST(SingleInstanceTest)
#include "SingleInstanceTest.moc"
