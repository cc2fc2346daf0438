#pragma once

#include <QtGlobal>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

// Gives up on a database server that leaves the program waiting for a reply.
//
// libpq waits for a reply without end. A server whose processes are stopped,
// or a machine that hangs with its network stack still alive, acknowledges
// every packet: the TCP keepalives and tcp_user_timeout see a healthy peer and
// never fire, and the window would stay frozen. While a call into the driver
// runs, the watchdog's own thread waits for its end; when the limit is up it
// shuts the connection's socket down, libpq returns at once with a broken
// connection, and expired() tells the caller why.
class ServerWatchdog {
 public:
  explicit ServerWatchdog(std::chrono::milliseconds limit);
  ~ServerWatchdog();
  ServerWatchdog(const ServerWatchdog&) = delete;
  ServerWatchdog& operator=(const ServerWatchdog&) = delete;

  // Watches one call on `socket` (libpq's PQsocket) for as long as it lives.
  // A watch inside a watch adds nothing: the outer one keeps the time.
  class Watch {
   public:
    Watch(ServerWatchdog* watchdog, qintptr socket);
    ~Watch();
    Watch(const Watch&) = delete;
    Watch& operator=(const Watch&) = delete;

   private:
    ServerWatchdog* watchdog_;
    bool outermost_ = false;
  };

  // Whether the last watched call was cut because its time was up.
  bool expired() const;

 private:
  bool arm(qintptr socket);
  void disarm();
  void run();

  const std::chrono::milliseconds limit_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  bool armed_ = false;
  bool idle_ = true;  // the thread waits without a deadline: an arm must wake it
  bool expired_ = false;
  bool stopping_ = false;
  qintptr socket_ = -1;
  std::chrono::steady_clock::time_point deadline_;
  std::thread thread_;
};
