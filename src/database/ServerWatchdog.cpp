#include "database/ServerWatchdog.h"

// Qt can close only the sockets it owns; the server connection's socket is
// libpq's, and only shutting it down (not closing it) wakes a thread blocked
// reading it. The one call is the same on both systems.
#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

namespace {

void shutDownSocket(qintptr socket) {
#ifdef Q_OS_WIN
  ::shutdown(static_cast<SOCKET>(socket), SD_BOTH);
#else
  ::shutdown(static_cast<int>(socket), SHUT_RDWR);
#endif
}

}  // namespace

ServerWatchdog::ServerWatchdog(std::chrono::milliseconds limit) : limit_(limit), thread_([this] { run(); }) {}

ServerWatchdog::~ServerWatchdog() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

ServerWatchdog::Watch::Watch(ServerWatchdog* watchdog, qintptr socket) : watchdog_(watchdog) {
  if (watchdog_ && socket >= 0) outermost_ = watchdog_->arm(socket);
}

ServerWatchdog::Watch::~Watch() {
  if (outermost_) watchdog_->disarm();
}

bool ServerWatchdog::expired() const {
  const std::lock_guard lock(mutex_);
  return expired_;
}

bool ServerWatchdog::arm(qintptr socket) {
  bool wakeThread = false;
  {
    const std::lock_guard lock(mutex_);
    if (armed_) return false;
    armed_ = true;
    expired_ = false;
    socket_ = socket;
    deadline_ = std::chrono::steady_clock::now() + limit_;
    // Waiting for an earlier deadline, the thread finds the new one when it
    // wakes: only a thread with no deadline needs waking, so a busy
    // connection costs no switch of threads per statement.
    wakeThread = idle_;
  }
  if (wakeThread) wake_.notify_one();
  return true;
}

void ServerWatchdog::disarm() {
  const std::lock_guard lock(mutex_);
  armed_ = false;
}

void ServerWatchdog::run() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    if (!armed_) {
      idle_ = true;
      wake_.wait(lock);
      idle_ = false;
      continue;
    }
    if (std::chrono::steady_clock::now() < deadline_) {
      wake_.wait_until(lock, deadline_);
      continue;
    }
    shutDownSocket(socket_);
    expired_ = true;
    armed_ = false;
  }
}
