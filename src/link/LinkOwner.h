#pragma once

#include <cstdint>

class InstrumentScreen;

// The timers of the terminal window, run by the owner (real QTimers in the
// window, a virtual clock in tests and the replay tool).
enum class LinkTimer { KeyQueueTimer, MinusTimer, Watchdog, ConnectTimer };
inline constexpr int LinkTimerCount = 4;

// Interval of each timer in milliseconds.
constexpr int timerInterval(LinkTimer timer) {
  switch (timer) {
    case LinkTimer::KeyQueueTimer:
      return 600;  // key queue
    case LinkTimer::MinusTimer:
      return 150;  // further "-" (or ЗБ of the single save) once the screen allows it
    case LinkTimer::Watchdog:
      return 250;  // the instrument has been quiet
    case LinkTimer::ConnectTimer:
      return 200;  // reopen the port after a restart
  }
  return 0;
}

// Which key asked for the store: the operator is told which one to press again
// when it fails.
enum class SaveKind { Save, SaveOnce };

// What the link engine asks of the window that owns it. Every call happens on
// the thread that drives the engine.
class LinkOwner {
 public:
  virtual ~LinkOwner() = default;

  // Write one key to the instrument if the port is open; otherwise drop it.
  virtual void sendKey(uint8_t key) = 0;
  // The СБР restart: close the port (status text, key 15, close) ...
  virtual void closePort() {}
  // ... and, when ConnectTimer fires, open it again (status text, keys 14 and 8).
  virtual void openPort() {}
  // Whether the port is open now (after a lost line the engine retries until it is).
  virtual bool portOpen() const { return true; }
  // resetTerminal: set the port number from the operator's port choice.
  virtual void applyPortChoice() {}
  // "Сохранить" was pressed, or the single save collected both error pages:
  // store the test points.
  virtual void runSave(SaveKind /*kind*/) {}
  // A timer was enabled or disabled (only on a change).
  virtual void timerChanged(LinkTimer /*timer*/, bool /*enabled*/) {}
  // A frame ended; called with the finished screen before it is parsed and cleared.
  virtual void frameEnding(const InstrumentScreen& /*screen*/) {}
  // After a call into the engine changed the screen (show it) ...
  virtual void screenChanged() {}
  // ... or the controls' states (mirror them).
  virtual void controlsChanged() {}
};
