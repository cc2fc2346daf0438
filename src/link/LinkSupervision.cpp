// The timers' rules and the enabled states derived from the screen showing.
#include "link/LinkEngine.h"
#include "link/LinkEngineCall.h"

void LinkEngine::timerFired(LinkTimer timer) {
  EngineCall call(*this);
  if (!timerEnabled(timer)) return;  // a tick queued before the timer stopped
  switch (timer) {
    case LinkTimer::KeyQueueTimer:
      onKeyQueueTimer();
      break;
    case LinkTimer::MinusTimer:
      onMinusTimer();
      break;
    case LinkTimer::Watchdog:
      onWatchdog();
      break;
    case LinkTimer::ConnectTimer:
      onConnectTimer();
      break;
  }
}

void LinkEngine::onKeyQueueTimer() { queue_.keyDue = true; }

void LinkEngine::onMinusTimer() {
  if (!anyErrorPage() && !recognition_.powerScreen) return;
  if (flags_.enterSaveStep) {
    pressErase();
    flags_.enterSaveStep = false;
    decoder_.eraseHold = false;
  }
  if (flags_.minusRepeat) pressMinus();
  setTimer(LinkTimer::MinusTimer, false);
  flags_.minusRepeat = false;
}

void LinkEngine::onWatchdog() {
  // A frame end blanks the mirror; until the next screen brings a character
  // there is no page to read, and the errors read before stay.
  if (anyErrorPage() && decoder_.frameHasCharacter) {
    readErrorPage(screen_, recognition_.errorPage14, recognition_.errorPage58, leds_, values_);
  }
  leds_.ledArm = true;
  if (flags_.saveOnceActive && !flags_.enterSaveStep) {
    // The single save turns to the page still missing, or stores both.
    if (!leds_.page14Lit) {
      pressDigit0();
    } else if (!leds_.page58Lit) {
      pressDigit1();
    } else {
      // The single save ends here whether or not the store succeeds: a store
      // that fails is reported once, never retried by the next tick.
      flags_.saveOnceActive = false;
      setTimer(LinkTimer::Watchdog, false);
      if (owner_) owner_->runSave(SaveKind::SaveOnce);
      flags_.saveOnceDone = true;
    }
  }
  // The tag stays 1: the watchdog fires once per quiet period.
  setTimer(LinkTimer::Watchdog, false);
}

void LinkEngine::onConnectTimer() {
  // After a lost line the port is tried on every fifth tick, once a second:
  // trying to open a missing device is not free, and a second is soon enough.
  if (lineLost_ && ++reconnectTicks_ % kTicksPerReopen != 0) return;
  if (owner_) owner_->openPort();
  if (lineLost_ && owner_ && owner_->portOpen()) lineLost_ = false;
  // After a lost line the timer keeps trying until the port is open again.
  setTimer(LinkTimer::ConnectTimer, lineLost_);
}

void LinkEngine::lineLost() {
  EngineCall call(*this);
  resetTerminal();
  resetControls();
  lineLost_ = true;
  reconnectTicks_ = 0;
  setTimer(LinkTimer::ConnectTimer, true);
}

void LinkEngine::stopReconnecting() {
  lineLost_ = false;
  setTimer(LinkTimer::ConnectTimer, false);
}

void LinkEngine::checkMenuAndButtons() {
  EngineCall call(*this);
  LinkControls& c = controls_;
  flags_.menuScreen = isMenuScreen(screen_);
  c.programmingEnabled = flags_.menuScreen;
  c.mainWindowEnabled = c.programmingEnabled;

  if (recognition_.powerScreen) {
    c.voltageModeEnabled = c.currentModeEnabled = c.powerFactorModeEnabled = true;
  } else if (anyErrorPage()) {
    c.voltageModeEnabled = c.currentModeEnabled = c.powerFactorModeEnabled = c.powerModeEnabled = true;
  } else {
    c.voltageModeEnabled = c.currentModeEnabled = c.powerFactorModeEnabled = c.powerModeEnabled = false;
  }

  c.enterKeyEnabled = flags_.enterLock != 2;
  const bool anyLedLit = leds_.page14Lit || leds_.page58Lit;
  const bool savingPossible = !flags_.saveOnceActive && baseChosen_ && activeTab_ == ErrorTab && !lineLost_;
  c.saveEnabled = flags_.enterLock != 2 && anyLedLit && anyErrorPage() && savingPossible;
  c.saveOnceEnabled = flags_.enterLock != 1 &&
                      (recognition_.powerScreen || anyLedLit || flags_.saveOnceDone) && savingPossible &&
                      !flags_.enterOnPower;
}
