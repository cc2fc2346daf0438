#include "link/LinkEngine.h"

#include <QTime>

#include "link/Koi7.h"
#include "link/LinkEngineCall.h"
#include "link/ScreenParsers.h"
#include "settings/NumericText.h"

namespace {
int SystemSecond() { return QTime::currentTime().second(); }
}  // namespace

LinkEngine::LinkEngine(MeasuredValues& values) : values_(values), clock_(SystemSecond) {}

void LinkEngine::SetOwner(LinkOwner* owner) { owner_ = owner; }

void LinkEngine::SetClock(std::function<int()> secondOfMinute) {
  clock_ = secondOfMinute ? std::move(secondOfMinute) : SystemSecond;
}

void LinkEngine::SendKey(uint8_t key) {
  if (owner_) owner_->SendKey(key);
}

void LinkEngine::SetTimer(LinkTimer timer, bool enabled) {
  bool& state = timers_[static_cast<int>(timer)];
  if (state == enabled) return;
  state = enabled;
  if (owner_) owner_->TimerChanged(timer, enabled);
}

QString LinkControls::EenergyText() const { return EenergyShown ? NumberToText(Eenergy) : QString(); }

void LinkEngine::ReceiveStep(std::optional<uint8_t> received) {
  EngineCall call(*this);
  if (energy_.Active()) EnergyClockCheck();
  if (received) {
    DecodeByte(*received);
  } else {
    IdleDuties();
  }
}

void LinkEngine::IdleDuties() {
  CheckMenuAndButtons();
  // The watchdog is armed once per quiet period; later idle turns do not
  // restart its countdown.
  if (dogTimerTag_ == 0) {
    SetTimer(LinkTimer::DogTimer, true);
    dogTimerTag_ = 1;
  }
  const KeyQueue::Step step = queue_.SendStep();
  if (step.key) SendKey(*step.key);
  if (step.runEnded) SetTimer(LinkTimer::Timer1, false);
}

void LinkEngine::DecodeByte(uint8_t received) {
  switch (decoder_.Decode(MapReceivedByte(received), screen_)) {
    case DecodeOutcome::Stored:
      RecognizeScreen();
      screenChanged_ = true;
      break;
    case DecodeOutcome::FrameComplete:
      ScreenComplete();
      decoder_.FrameSeq = 0;
      screenChanged_ = true;
      break;
    case DecodeOutcome::Moved:
    case DecodeOutcome::Dropped:
      break;
  }
  SetTimer(LinkTimer::DogTimer, false);
  dogTimerTag_ = 0;
  leds_.ClearPageLeds(flags_.SaveOnceActive);
}

void LinkEngine::RecognizeScreen() {
  recognition_.Recognize(screen_);
  if (AnyErrorPage()) flags_.EnterOnPower = false;
  controls_.Button3Enabled = recognition_.PowerScreen;
  if (recognition_.PowerScreen && !flags_.SaveOnceActive && !flags_.EnterOnPower) controls_.Button2Tag = 0;
}

void LinkEngine::ScreenComplete() {
  if (owner_) owner_->FrameEnding(screen_);
  if (recognition_.ValueScreen) {
    switch (recognition_.ScreenMode) {
      case VoltageScreen:
        ReadVoltages(screen_, values_);
        break;
      case CurrentScreen:
        ReadCurrents(screen_, values_);
        break;
      case PowerFactorScreen:
        ReadPowerFactor(screen_, flags_.ErrorModeActive, values_);
        break;
      default:
        break;
    }
  }
  screen_.Clear();
  decoder_.CursorColumn = 0;
  decoder_.CursorRow = 0;
  // A single save started off a power screen sends its ЗБ at the frame end.
  if (flags_.EnterSaveStep && flags_.SaveOnceActive && controls_.Button2Tag == 0) {
    controls_.Button2Tag = 1;
    flags_.EnterSaveStep = false;
    AclickZaboyExecute();
    decoder_.EraseHold = false;
  }
  if (flags_.ExtraMinus) {
    AclickMinusExecute();
    flags_.ExtraMinus = false;
  }
}

void LinkEngine::EnergyClockCheck() {
  switch (energy_.ClockCheck(clock_())) {
    case EnergyCount::Event::None:
      break;
    case EnergyCount::Event::Started:
      AclickTochkaExecute();
      break;
    case EnergyCount::Event::Stopped:
      AclickTochkaExecute();
      [[fallthrough]];
    case EnergyCount::Event::Ticked:
      controls_.EenergyShown = true;
      controls_.Eenergy = energy_.RoundedEnergy();
      break;
  }
}

void LinkEngine::ResetTerminal() {
  EngineCall call(*this);
  energy_.EnergyRunning = false;
  energy_.EnergyStop = false;
  if (owner_) owner_->ApplyPortChoice();
  decoder_.Reset();
  screen_.Clear();
  screenChanged_ = true;
  flags_.EnterLock = 0;
  flags_.ResultsSaved = flags_.SaveOnceDone = flags_.MenuScreen = flags_.ExtraMinus = false;
  queue_.KeyDue = false;
  recognition_.ValueScreen = recognition_.ErrorPage14 = recognition_.ErrorPage58 = false;
  recognition_.ScreenMode = VoltageScreen;
  leds_.LedArm = true;
  SetTimer(LinkTimer::Timer1, false);
  SetTimer(LinkTimer::TimerConect, false);
  SetTimer(LinkTimer::TimerMinus, false);
  queue_.KeyLast = 1;
  flags_.SaveOnceActive = flags_.EnterOnPower = false;
  controls_.Button2Tag = 0;
  leds_.PageLed14Saved = leds_.PageLed58Saved = leds_.PageLedsCleared = false;
}

void LinkEngine::ResetControls() {
  EngineCall call(*this);
  controls_.EenergyShown = false;
  ResetSaveState();
  controls_.BitBtnsEnabled = false;
  controls_.SBUEnabled = controls_.SBIEnabled = controls_.SBKMEnabled = controls_.SBPEnabled = false;
  screenChanged_ = true;
}

void LinkEngine::ResetSaveState() {
  EngineCall call(*this);
  controls_.Button1Enabled = controls_.Button2Enabled = false;
  flags_.SaveOnceDone = false;
  leds_.Darken();
}
