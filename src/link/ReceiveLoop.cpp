#include "link/ReceiveLoop.h"

#include <chrono>

#include <QMetaObject>
#include <QScopeGuard>

ReceiveLoop::ReceiveLoop(Step step, QObject* context, int idleWaitMs)
    : step_(std::move(step)), context_(context), idleWaitMs_(idleWaitMs) {}

ReceiveLoop::~ReceiveLoop() { join(); }

void ReceiveLoop::setFlag(bool Shared::*flag, bool value) {
  {
    const std::lock_guard lock(shared_->mutex);
    shared_.get()->*flag = value;
  }
  shared_->changed.notify_all();
}

bool ReceiveLoop::flag(bool Shared::*flag) const {
  const std::lock_guard lock(shared_->mutex);
  return shared_.get()->*flag;
}

void ReceiveLoop::suspend() { setFlag(&Shared::suspended, true); }
void ReceiveLoop::resume() { setFlag(&Shared::suspended, false); }
bool ReceiveLoop::suspended() const { return flag(&Shared::suspended); }
void ReceiveLoop::terminate() { setFlag(&Shared::terminated, true); }
bool ReceiveLoop::terminated() const { return flag(&Shared::terminated); }
void ReceiveLoop::wakeUp() { setFlag(&Shared::woken, true); }

void ReceiveLoop::join() {
  terminate();
  wait();
}

qint64 ReceiveLoop::stepCount() const {
  const std::lock_guard lock(shared_->mutex);
  return shared_->steps;
}

// Posts one step to the context's thread. The step is skipped when the loop
// was suspended or terminated after the request; either way the loop hears
// that the turn is over.
void ReceiveLoop::requestStep() {
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

void ReceiveLoop::run() {
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
    requestStep();
    lock.lock();
    shared->changed.wait(lock, [&] { return shared->turnDone || shared->terminated; });
  }
}
