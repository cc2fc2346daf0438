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

QString LinkControls::computedEnergyText() const { return energyShown ? NumberToText(computedEnergy) : QString(); }

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
  if (watchdogTag_ == 0) {
    SetTimer(LinkTimer::Watchdog, true);
    watchdogTag_ = 1;
  }
  const KeyQueue::Step step = queue_.SendStep();
  if (step.key) SendKey(*step.key);
  if (step.runEnded) SetTimer(LinkTimer::KeyQueueTimer, false);
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
  SetTimer(LinkTimer::Watchdog, false);
  watchdogTag_ = 0;
  leds_.ClearPageLeds(flags_.SaveOnceActive);
}

void LinkEngine::RecognizeScreen() {
  recognition_.Recognize(screen_);
  if (AnyErrorPage()) flags_.EnterOnPower = false;
  controls_.energyButtonEnabled = recognition_.PowerScreen;
  if (recognition_.PowerScreen && !flags_.SaveOnceActive && !flags_.EnterOnPower) controls_.singleSaveMayEnter = 0;
}

void LinkEngine::ScreenComplete() {
  if (owner_) owner_->FrameEnding(screen_);
  // An empty frame (a frame end right after another) carries no screen: the
  // values read from the last real screen stay.
  const bool screenShown = decoder_.FrameHasCharacter;
  decoder_.FrameHasCharacter = false;
  if (screenShown && recognition_.ValueScreen) {
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
  if (flags_.EnterSaveStep && flags_.SaveOnceActive && controls_.singleSaveMayEnter == 0) {
    controls_.singleSaveMayEnter = 1;
    flags_.EnterSaveStep = false;
    pressErase();
    decoder_.EraseHold = false;
  }
  if (flags_.ExtraMinus) {
    pressMinus();
    flags_.ExtraMinus = false;
  }
}

void LinkEngine::EnergyClockCheck() {
  switch (energy_.ClockCheck(clock_())) {
    case EnergyCount::Event::None:
      break;
    case EnergyCount::Event::Started:
      pressPoint();
      break;
    case EnergyCount::Event::Stopped:
      pressPoint();
      [[fallthrough]];
    case EnergyCount::Event::Ticked:
      controls_.energyShown = true;
      controls_.computedEnergy = energy_.RoundedEnergy();
      break;
  }
}

void LinkEngine::ResetTerminal() {
  EngineCall call(*this);
  lineLost_ = false;
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
  SetTimer(LinkTimer::KeyQueueTimer, false);
  SetTimer(LinkTimer::ConnectTimer, false);
  SetTimer(LinkTimer::MinusTimer, false);
  queue_.KeyLast = 1;
  flags_.SaveOnceActive = flags_.EnterOnPower = false;
  controls_.singleSaveMayEnter = 0;
  leds_.PageLed14Saved = leds_.PageLed58Saved = leds_.PageLedsCleared = false;
}

void LinkEngine::ResetControls() {
  EngineCall call(*this);
  controls_.energyShown = false;
  ResetSaveState();
  controls_.programmingEnabled = false;
  controls_.voltageModeEnabled = controls_.currentModeEnabled = controls_.powerFactorModeEnabled = controls_.powerModeEnabled = false;
  screenChanged_ = true;
}

void LinkEngine::ResetSaveState() {
  EngineCall call(*this);
  controls_.saveEnabled = controls_.saveOnceEnabled = false;
  flags_.SaveOnceDone = false;
  leds_.Darken();
}
