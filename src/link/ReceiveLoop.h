#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include <QObject>
#include <QThread>

// The receive loop of the terminal window. Each turn asks the user-interface
// thread to run one receive step (one byte decoded, or the idle duties) and
// waits for it; the step itself never runs on this thread, so the decoder, the
// timers and the controls are only ever touched on the user-interface thread.
//
// It does not spin. After a byte the next turn follows at once, so the first
// idle turn comes right after the last byte of a burst (the watchdog counts
// from there). After an idle turn the next one waits until data is announced
// with dataArrived() or a turn is asked for with wakeUp(), at most the idle
// wait, so that the idle duties (queued keys, button states, the energy
// count's clock) still run regularly while the line is quiet.
//
// The thread starts suspended. Terminate() asks it to end; Join() also waits
// for it. A step that was already requested when the thread is suspended or
// terminated is skipped, so no step runs after Suspend() returns.
class ReceiveLoop : public QThread {
  Q_OBJECT

 public:
  // The step returns true when it decoded a byte, false after an idle turn.
  using Step = std::function<bool()>;
  static constexpr int DefaultIdleWaitMs = 50;

  // `step` runs on the thread of `context` (created there, normally the
  // user-interface thread).
  ReceiveLoop(Step step, QObject* context, int idleWaitMs = DefaultIdleWaitMs);
  ~ReceiveLoop() override;

  void suspend();
  void resume();
  bool suspended() const;
  // Ask the loop to end (does not wait).
  void terminate();
  bool terminated() const;
  // Terminate and wait until the loop has ended.
  void join();

  // Received data is waiting, or the idle duties are due: run a turn now.
  void dataArrived() { wakeUp(); }
  void wakeUp();

  // Steps run so far (for the benchmark and tests).
  qint64 stepCount() const;

 protected:
  void run() override;  // Execute

 private:
  // Shared with the steps posted to the user-interface thread, which may
  // still be queued when the thread object goes.
  struct Shared {
    std::mutex mutex;
    std::condition_variable changed;
    bool suspended = true;
    bool terminated = false;
    bool woken = false;
    bool turnDone = true;
    bool byteDecoded = false;
    qint64 steps = 0;
  };

  void requestStep();
  void setFlag(bool Shared::*flag, bool value);
  bool flag(bool Shared::*flag) const;

  Step step_;
  QObject* context_;
  int idleWaitMs_;
  std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
};
