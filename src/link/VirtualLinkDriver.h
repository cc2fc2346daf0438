#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include <QByteArray>

#include "link/LinkEngine.h"
#include "link/LinkOwner.h"

// Runs a LinkEngine on a virtual clock in milliseconds: the bytes of a chunk
// are decoded one per turn with no idle turn between them, the loop idles
// between chunks, and the engine's timers fire at their virtual times. Calls
// the engine makes of its owner are passed on to `inner` (if any).
class VirtualLinkDriver final : public LinkOwner {
 public:
  explicit VirtualLinkDriver(LinkEngine& engine, LinkOwner* inner = nullptr);
  ~VirtualLinkDriver() override;

  qint64 now() const { return now_; }
  // Decode `chunk` at the current time, then one idle turn.
  void feed(const QByteArray& chunk);
  // Let time pass up to `time`: due timers fire in time order, each followed
  // by an idle turn, as the loop keeps idling while the line is quiet; while
  // the energy count runs there is also a turn at every new second, and there
  // is one at `time`.
  void advanceTo(qint64 time);
  void advance(qint64 milliseconds) { advanceTo(now_ + milliseconds); }

  // LinkOwner: the timers are run here, everything else goes to `inner`.
  void sendKey(uint8_t key) override;
  void closePort() override;
  void openPort() override;
  bool portOpen() const override;
  void applyPortChoice() override;
  void runSave(SaveKind kind) override;
  void timerChanged(LinkTimer timer, bool enabled) override;
  void frameEnding(const InstrumentScreen& screen) override;
  void screenChanged() override;
  void controlsChanged() override;

 private:
  std::optional<LinkTimer> nextDueTimer(qint64 until) const;

  LinkEngine& engine_;
  LinkOwner* inner_;
  qint64 now_ = 0;
  std::array<std::optional<qint64>, LinkTimerCount> due_{};
};
