#include "link/VirtualLinkDriver.h"

VirtualLinkDriver::VirtualLinkDriver(LinkEngine& engine, LinkOwner* inner) : engine_(engine), inner_(inner) {
  engine_.setOwner(this);
  engine_.setClock([this] { return static_cast<int>(now_ / 1000 % 60); });
  for (int i = 0; i < LinkTimerCount; ++i) {
    const auto timer = static_cast<LinkTimer>(i);
    if (engine_.timerEnabled(timer)) due_[i] = now_ + timerInterval(timer);
  }
}

VirtualLinkDriver::~VirtualLinkDriver() {
  engine_.setOwner(nullptr);
  engine_.setClock({});
}

void VirtualLinkDriver::feed(const QByteArray& chunk) {
  for (const char byte : chunk) engine_.byteArrived(static_cast<uint8_t>(byte));
  engine_.idleTurn();
}

std::optional<LinkTimer> VirtualLinkDriver::nextDueTimer(qint64 until) const {
  std::optional<LinkTimer> next;
  for (int i = 0; i < LinkTimerCount; ++i) {
    if (due_[i] && *due_[i] <= until && (!next || *due_[i] < *due_[static_cast<int>(*next)])) {
      next = static_cast<LinkTimer>(i);
    }
  }
  return next;
}

void VirtualLinkDriver::advanceTo(qint64 time) {
  for (;;) {
    const std::optional<LinkTimer> timer = nextDueTimer(time);
    // While the energy count runs, the loop's turns see every change of the seconds field.
    const qint64 nextSecond = (now_ / 1000 + 1) * 1000;
    const bool secondFirst = engine_.energy().active() && nextSecond <= time &&
                             (!timer || nextSecond < *due_[static_cast<int>(*timer)]);
    if (secondFirst) {
      now_ = nextSecond;
    } else if (timer) {
      auto& due = due_[static_cast<int>(*timer)];
      now_ = *due;
      due = now_ + timerInterval(*timer);  // periodic until the engine disables it
      engine_.timerFired(*timer);
    } else {
      break;
    }
    engine_.idleTurn();
  }
  if (time > now_) now_ = time;
  engine_.idleTurn();
}

void VirtualLinkDriver::timerChanged(LinkTimer timer, bool enabled) {
  auto& due = due_[static_cast<int>(timer)];
  if (enabled) {
    due = now_ + timerInterval(timer);
  } else {
    due.reset();
  }
  if (inner_) inner_->timerChanged(timer, enabled);
}

void VirtualLinkDriver::sendKey(uint8_t key) {
  if (inner_) inner_->sendKey(key);
}
void VirtualLinkDriver::closePort() {
  if (inner_) inner_->closePort();
}
void VirtualLinkDriver::openPort() {
  if (inner_) inner_->openPort();
}
bool VirtualLinkDriver::portOpen() const { return !inner_ || inner_->portOpen(); }
void VirtualLinkDriver::applyPortChoice() {
  if (inner_) inner_->applyPortChoice();
}
void VirtualLinkDriver::runSave(SaveKind kind) {
  if (inner_) inner_->runSave(kind);
}
void VirtualLinkDriver::frameEnding(const InstrumentScreen& screen) {
  if (inner_) inner_->frameEnding(screen);
}
void VirtualLinkDriver::screenChanged() {
  if (inner_) inner_->screenChanged();
}
void VirtualLinkDriver::controlsChanged() {
  if (inner_) inner_->controlsChanged();
}
