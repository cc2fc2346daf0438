#pragma once

#include <array>
#include <memory>

#include <QObject>
#include <QTimer>

#include "link/LinkEngine.h"

// The engine's four timers as real QTimers: the owner passes timerChanged()
// here; each tick is reported back to the engine with timerFired().
class LinkQtTimers : public QObject {
  Q_OBJECT

 public:
  explicit LinkQtTimers(LinkEngine& engine, QObject* parent = nullptr);

  void apply(LinkTimer timer, bool enabled);
  bool isActive(LinkTimer timer) const { return timers_[static_cast<int>(timer)]->isActive(); }

 private:
  LinkEngine& engine_;
  std::array<std::unique_ptr<QTimer>, LinkTimerCount> timers_;
};
