#include "link/LinkQtTimers.h"

LinkQtTimers::LinkQtTimers(LinkEngine& engine, QObject* parent) : QObject(parent), engine_(engine) {
  for (int i = 0; i < LinkTimerCount; ++i) {
    const auto kind = static_cast<LinkTimer>(i);
    timers_[i] = std::make_unique<QTimer>();
    timers_[i]->setInterval(timerInterval(kind));
    timers_[i]->setTimerType(Qt::PreciseTimer);
    connect(timers_[i].get(), &QTimer::timeout, this, [this, kind] { engine_.timerFired(kind); });
  }
}

void LinkQtTimers::apply(LinkTimer timer, bool enabled) {
  QTimer& qtimer = *timers_[static_cast<int>(timer)];
  if (enabled) {
    qtimer.start();
  } else {
    qtimer.stop();
  }
}
