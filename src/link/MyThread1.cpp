#include "link/MyThread1.h"

#include <chrono>

#include <QMetaObject>
#include <QScopeGuard>

TMyThread1::TMyThread1(Step step, QObject* context, int idleWaitMs)
    : step_(std::move(step)), context_(context), idleWaitMs_(idleWaitMs) {}

TMyThread1::~TMyThread1() { Join(); }

void TMyThread1::SetFlag(bool Shared::*flag, bool value) {
  {
    const std::lock_guard lock(shared_->mutex);
    shared_.get()->*flag = value;
  }
  shared_->changed.notify_all();
}

bool TMyThread1::Flag(bool Shared::*flag) const {
  const std::lock_guard lock(shared_->mutex);
  return shared_.get()->*flag;
}

void TMyThread1::Suspend() { SetFlag(&Shared::suspended, true); }
void TMyThread1::Resume() { SetFlag(&Shared::suspended, false); }
bool TMyThread1::Suspended() const { return Flag(&Shared::suspended); }
void TMyThread1::Terminate() { SetFlag(&Shared::terminated, true); }
bool TMyThread1::Terminated() const { return Flag(&Shared::terminated); }
void TMyThread1::WakeUp() { SetFlag(&Shared::woken, true); }

void TMyThread1::Join() {
  Terminate();
  wait();
}

qint64 TMyThread1::StepCount() const {
  const std::lock_guard lock(shared_->mutex);
  return shared_->steps;
}

// Posts one step to the context's thread. The step is skipped when the loop
// was suspended or terminated after the request; either way the loop hears
// that the turn is over.
void TMyThread1::RequestStep() {
  QMetaObject::invokeMethod(
      context_,
      [shared = shared_, step = step_] {
        bool byte = false;
        const auto finish = qScopeGuard([&] {
          {
            const std::lock_guard lock(shared->mutex);
            shared->byteDecoded = byte;
            shared->turnDone = true;
          }
          shared->changed.notify_all();
        });
        {
          const std::lock_guard lock(shared->mutex);
          if (shared->suspended || shared->terminated) return;
          ++shared->steps;
        }
        byte = step();
      },
      Qt::QueuedConnection);
}

void TMyThread1::run() {
  const std::shared_ptr<Shared> shared = shared_;
  const auto idleWait = std::chrono::milliseconds(idleWaitMs_);
  std::unique_lock lock(shared->mutex);
  while (!shared->terminated) {
    if (shared->suspended) {
      shared->changed.wait(lock, [&] { return !shared->suspended || shared->terminated; });
      continue;
    }
    // After a byte the next turn at once; after an idle turn wait for data.
    if (!shared->byteDecoded && !shared->woken) {
      shared->changed.wait_for(lock, idleWait,
                               [&] { return shared->woken || shared->terminated || shared->suspended; });
      if (shared->terminated || shared->suspended) continue;
    }
    shared->woken = false;
    shared->byteDecoded = false;
    shared->turnDone = false;
    lock.unlock();
    RequestStep();
    lock.lock();
    shared->changed.wait(lock, [&] { return shared->turnDone || shared->terminated; });
  }
}
