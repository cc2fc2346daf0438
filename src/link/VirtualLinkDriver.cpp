#include "link/VirtualLinkDriver.h"

VirtualLinkDriver::VirtualLinkDriver(LinkEngine& engine, LinkOwner* inner) : engine_(engine), inner_(inner) {
  engine_.SetOwner(this);
  engine_.SetClock([this] { return static_cast<int>(now_ / 1000 % 60); });
  for (int i = 0; i < LinkTimerCount; ++i) {
    const auto timer = static_cast<LinkTimer>(i);
    if (engine_.TimerEnabled(timer)) due_[i] = now_ + TimerInterval(timer);
  }
}

VirtualLinkDriver::~VirtualLinkDriver() {
  engine_.SetOwner(nullptr);
  engine_.SetClock({});
}

void VirtualLinkDriver::Feed(const QByteArray& chunk) {
  for (const char byte : chunk) engine_.ByteArrived(static_cast<uint8_t>(byte));
  engine_.IdleTurn();
}

std::optional<LinkTimer> VirtualLinkDriver::NextDueTimer(qint64 until) const {
  std::optional<LinkTimer> next;
  for (int i = 0; i < LinkTimerCount; ++i) {
    if (due_[i] && *due_[i] <= until && (!next || *due_[i] < *due_[static_cast<int>(*next)])) {
      next = static_cast<LinkTimer>(i);
    }
  }
  return next;
}

void VirtualLinkDriver::AdvanceTo(qint64 time) {
  for (;;) {
    const std::optional<LinkTimer> timer = NextDueTimer(time);
    // While the energy count runs, the loop's turns see every change of the seconds field.
    const qint64 nextSecond = (now_ / 1000 + 1) * 1000;
    const bool secondFirst = engine_.Energy().Active() && nextSecond <= time &&
                             (!timer || nextSecond < *due_[static_cast<int>(*timer)]);
    if (secondFirst) {
      now_ = nextSecond;
    } else if (timer) {
      auto& due = due_[static_cast<int>(*timer)];
      now_ = *due;
      due = now_ + TimerInterval(*timer);  // periodic until the engine disables it
      engine_.TimerFired(*timer);
    } else {
      break;
    }
    engine_.IdleTurn();
  }
  if (time > now_) now_ = time;
  engine_.IdleTurn();
}

void VirtualLinkDriver::TimerChanged(LinkTimer timer, bool enabled) {
  auto& due = due_[static_cast<int>(timer)];
  if (enabled) {
    due = now_ + TimerInterval(timer);
  } else {
    due.reset();
  }
  if (inner_) inner_->TimerChanged(timer, enabled);
}

void VirtualLinkDriver::SendKey(uint8_t key) {
  if (inner_) inner_->SendKey(key);
}
void VirtualLinkDriver::ClosePort() {
  if (inner_) inner_->ClosePort();
}
void VirtualLinkDriver::OpenPort() {
  if (inner_) inner_->OpenPort();
}
bool VirtualLinkDriver::PortOpen() const { return !inner_ || inner_->PortOpen(); }
void VirtualLinkDriver::ApplyPortChoice() {
  if (inner_) inner_->ApplyPortChoice();
}
void VirtualLinkDriver::RunSave() {
  if (inner_) inner_->RunSave();
}
void VirtualLinkDriver::FrameEnding(const InstrumentScreen& screen) {
  if (inner_) inner_->FrameEnding(screen);
}
void VirtualLinkDriver::ScreenChanged() {
  if (inner_) inner_->ScreenChanged();
}
void VirtualLinkDriver::ControlsChanged() {
  if (inner_) inner_->ControlsChanged();
}
