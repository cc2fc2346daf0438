#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QThread>

#include "link/ReceiveLoop.h"
#include "support/TestRegistry.h"

// The receive loop's thread: steps run on the user-interface thread only,
// quiet turns wait instead of spinning, and the thread ends when asked even
// while a requested step can no longer run.
class ReceiveLoopTest : public QObject {
  Q_OBJECT
 private slots:
  void startsSuspended();
  void quietLoopWaitsBetweenTurns();
  void dataWakesTheLoopAtOnce();
  void waitingBytesAreTakenWithoutPause();
  void noStepAfterSuspend();
  void joinsWhileAStepIsQueued();
};

namespace {

// Runs the event loop of this thread until `done` or `ms` pass.
template <typename Done>
bool spinUntil(Done done, int ms) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  return done();
}

}  // namespace

void ReceiveLoopTest::startsSuspended() {
  int steps = 0;
  ReceiveLoop thread([&] { return ++steps, false; }, this);
  thread.start();
  QTest::qWait(100);
  QCOMPARE(steps, 0);
  QVERIFY(thread.suspended());
  thread.resume();
  QVERIFY(spinUntil([&] { return steps > 0; }, 1000));
}

// Quiet turns happen about once per idle wait: not thousands per second.
void ReceiveLoopTest::quietLoopWaitsBetweenTurns() {
  int steps = 0;
  const Qt::HANDLE mainThread = QThread::currentThreadId();
  bool onMainThread = true;
  ReceiveLoop thread(
      [&] {
        onMainThread = onMainThread && QThread::currentThreadId() == mainThread;
        return ++steps, false;
      },
      this, 20);
  thread.start();
  thread.resume();
  spinUntil([] { return false; }, 500);
  QVERIFY(onMainThread);
  // About 25 turns; a loaded machine may give fewer, never the thousands of a spinning loop.
  QVERIFY2(steps >= 2 && steps <= 40, qPrintable(QString::number(steps)));
  QCOMPARE(thread.stepCount(), steps);
}

void ReceiveLoopTest::dataWakesTheLoopAtOnce() {
  int steps = 0;
  ReceiveLoop thread([&] { return ++steps, false; }, this, 5000);
  thread.start();
  thread.resume();
  spinUntil([] { return false; }, 100);
  QCOMPARE(steps, 0);  // quiet: the loop waits
  QElapsedTimer latency;
  latency.start();
  thread.dataArrived();
  QVERIFY(spinUntil([&] { return steps == 1; }, 1000));
  // Woken by the data, long before its idle wait of 5 s would end.
  QVERIFY2(latency.elapsed() < 2000, qPrintable(QString::number(latency.elapsed())));
}

// After a decoded byte the next turn follows at once.
void ReceiveLoopTest::waitingBytesAreTakenWithoutPause() {
  int waiting = 200;
  ReceiveLoop thread([&] { return --waiting > 0; }, this, 5000);
  thread.start();
  thread.resume();
  thread.dataArrived();
  QElapsedTimer elapsed;
  elapsed.start();
  QVERIFY(spinUntil([&] { return waiting <= 0; }, 3000));
  QVERIFY2(elapsed.elapsed() < 2000, qPrintable(QString::number(elapsed.elapsed())));
}

// A step requested before Suspend() is skipped: nothing runs after it returns.
void ReceiveLoopTest::noStepAfterSuspend() {
  int steps = 0;
  ReceiveLoop thread([&] { return ++steps, true; }, this);
  thread.start();
  thread.resume();
  QVERIFY(spinUntil([&] { return steps > 3; }, 1000));
  QThread::msleep(20);  // the loop has requested the next step by now
  thread.suspend();
  const int atSuspend = steps;
  spinUntil([] { return false; }, 100);
  QCOMPARE(steps, atSuspend);
  thread.resume();
  QVERIFY(spinUntil([&] { return steps > atSuspend; }, 1000));
}

// The program ends while the loop waits for a step that the user-interface
// thread will never run: Join() must still return.
void ReceiveLoopTest::joinsWhileAStepIsQueued() {
  int steps = 0;
  auto thread = std::make_unique<ReceiveLoop>([&] { return ++steps, true; }, this);
  thread->start();
  thread->resume();
  QThread::msleep(50);  // no event processing: the requested step stays queued
  QElapsedTimer elapsed;
  elapsed.start();
  thread->join();
  QVERIFY(thread->isFinished());
  QVERIFY(elapsed.elapsed() < 1000);
  thread.reset();
  QCoreApplication::processEvents();  // the queued step finds the loop gone
  QCOMPARE(steps, 0);
}

VT3417_REGISTER_TEST(ReceiveLoopTest)
#include "ReceiveLoopTest.moc"
