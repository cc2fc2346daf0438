// The timers' rules and the enabled states derived from the screen showing.
#include "link/LinkEngine.h"
#include "link/LinkEngineCall.h"

void LinkEngine::TimerFired(LinkTimer timer) {
  EngineCall call(*this);
  if (!TimerEnabled(timer)) return;  // a tick queued before the timer stopped
  switch (timer) {
    case LinkTimer::Timer1:
      Timer1Timer();
      break;
    case LinkTimer::TimerMinus:
      TimerMinusTimer();
      break;
    case LinkTimer::DogTimer:
      DogTimerTimer();
      break;
    case LinkTimer::TimerConect:
      TimerConectTimer();
      break;
  }
}

void LinkEngine::Timer1Timer() { queue_.KeyDue = true; }

void LinkEngine::TimerMinusTimer() {
  if (!AnyErrorPage() && !recognition_.PowerScreen) return;
  if (flags_.EnterSaveStep) {
    AclickZaboyExecute();
    flags_.EnterSaveStep = false;
    decoder_.EraseHold = false;
  }
  if (flags_.MinusRepeat) AclickMinusExecute();
  SetTimer(LinkTimer::TimerMinus, false);
  flags_.MinusRepeat = false;
}

void LinkEngine::DogTimerTimer() {
  if (AnyErrorPage()) {
    ReadErrorPage(screen_, recognition_.ErrorPage14, recognition_.ErrorPage58, leds_, values_);
  }
  leds_.LedArm = true;
  if (flags_.SaveOnceActive && !flags_.EnterSaveStep) {
    // The single save turns to the page still missing, or stores both.
    if (!leds_.L1On) {
      AClick0Execute();
    } else if (!leds_.L2on) {
      AClick1Execute();
    } else {
      if (owner_) owner_->RunSave();
      flags_.SaveOnceActive = false;
      flags_.SaveOnceDone = true;
    }
  }
  // The tag stays 1: the watchdog fires once per quiet period.
  SetTimer(LinkTimer::DogTimer, false);
}

void LinkEngine::TimerConectTimer() {
  if (owner_) owner_->OpenPort();
  SetTimer(LinkTimer::TimerConect, false);
}

void LinkEngine::CheckMenuAndButtons() {
  EngineCall call(*this);
  LinkControls& c = controls_;
  flags_.MenuScreen = IsMenuScreen(screen_);
  c.BitBtnsEnabled = flags_.MenuScreen;
  c.MainWindowEnabled = c.BitBtnsEnabled;

  if (recognition_.PowerScreen) {
    c.SBUEnabled = c.SBIEnabled = c.SBKMEnabled = true;
  } else if (AnyErrorPage()) {
    c.SBUEnabled = c.SBIEnabled = c.SBKMEnabled = c.SBPEnabled = true;
  } else {
    c.SBUEnabled = c.SBIEnabled = c.SBKMEnabled = c.SBPEnabled = false;
  }

  c.SpeedButton13Enabled = flags_.EnterLock != 2;
  const bool anyLedLit = leds_.L1On || leds_.L2on;
  const bool savingPossible = !flags_.SaveOnceActive && baseChosen_ && activeTab_ == ErrorTab;
  c.Button1Enabled = flags_.EnterLock != 2 && anyLedLit && AnyErrorPage() && savingPossible;
  c.Button2Enabled = flags_.EnterLock != 1 &&
                     (recognition_.PowerScreen || anyLedLit || flags_.SaveOnceDone) && savingPossible &&
                     !flags_.EnterOnPower;
}
