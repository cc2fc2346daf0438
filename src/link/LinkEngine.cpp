#include "link/LinkEngine.h"

#include <QTime>

#include "link/Koi7.h"
#include "link/LinkEngineCall.h"
#include "link/ScreenParsers.h"
#include "settings/NumericText.h"

namespace {
int systemSecond() { return QTime::currentTime().second(); }
}  // namespace

LinkEngine::LinkEngine(MeasuredValues& values) : values_(values), clock_(systemSecond) {}

void LinkEngine::setOwner(LinkOwner* owner) { owner_ = owner; }

void LinkEngine::setClock(std::function<int()> secondOfMinute) {
  clock_ = secondOfMinute ? std::move(secondOfMinute) : systemSecond;
}

void LinkEngine::sendKey(uint8_t key) {
  if (owner_) owner_->sendKey(key);
}

void LinkEngine::setTimer(LinkTimer timer, bool enabled) {
  bool& state = timers_[static_cast<int>(timer)];
  if (state == enabled) return;
  state = enabled;
  if (owner_) owner_->timerChanged(timer, enabled);
}

QString LinkControls::computedEnergyText() const {
  return energyShown ? numberToText(computedEnergy) : QString();
}

void LinkEngine::receiveStep(std::optional<uint8_t> received) {
  EngineCall call(*this);
  if (energy_.active()) energyClockCheck();
  if (received) {
    decodeByte(*received);
  } else {
    idleDuties();
  }
}

void LinkEngine::idleDuties() {
  checkMenuAndButtons();
  // The watchdog is armed once per quiet period; later idle turns do not
  // restart its countdown.
  if (watchdogTag_ == 0) {
    setTimer(LinkTimer::Watchdog, true);
    watchdogTag_ = 1;
  }
  const KeyQueue::Step step = queue_.sendStep();
  if (step.key) sendKey(*step.key);
  if (step.runEnded) setTimer(LinkTimer::KeyQueueTimer, false);
}

void LinkEngine::decodeByte(uint8_t received) {
  switch (decoder_.decode(mapReceivedByte(received), screen_)) {
    case DecodeOutcome::Stored:
      recognizeScreen();
      screenChanged_ = true;
      break;
    case DecodeOutcome::FrameComplete:
      screenComplete();
      decoder_.frameSeq = 0;
      screenChanged_ = true;
      break;
    case DecodeOutcome::Moved:
    case DecodeOutcome::Dropped:
      break;
  }
  setTimer(LinkTimer::Watchdog, false);
  watchdogTag_ = 0;
  leds_.clearPageLeds(flags_.saveOnceActive);
}

void LinkEngine::recognizeScreen() {
  recognition_.recognize(screen_);
  if (anyErrorPage()) flags_.enterOnPower = false;
  controls_.energyButtonEnabled = recognition_.powerScreen;
  if (recognition_.powerScreen && !flags_.saveOnceActive && !flags_.enterOnPower)
    controls_.singleSaveMayEnter = 0;
}

void LinkEngine::screenComplete() {
  if (owner_) owner_->frameEnding(screen_);
  // An empty frame (a frame end right after another) carries no screen: the
  // values read from the last real screen stay.
  const bool screenShown = decoder_.frameHasCharacter;
  decoder_.frameHasCharacter = false;
  if (screenShown && recognition_.valueScreen) {
    switch (recognition_.screenMode) {
      case VoltageScreen:
        readVoltages(screen_, values_);
        break;
      case CurrentScreen:
        readCurrents(screen_, values_);
        break;
      case PowerFactorScreen:
        readPowerFactor(screen_, flags_.errorModeActive, values_);
        break;
      default:
        break;
    }
  }
  screen_.clear();
  decoder_.cursorColumn = 0;
  decoder_.cursorRow = 0;
  // A single save started off a power screen sends its ЗБ at the frame end.
  if (flags_.enterSaveStep && flags_.saveOnceActive && controls_.singleSaveMayEnter == 0) {
    controls_.singleSaveMayEnter = 1;
    flags_.enterSaveStep = false;
    pressErase();
    decoder_.eraseHold = false;
  }
  if (flags_.extraMinus) {
    pressMinus();
    flags_.extraMinus = false;
  }
}

void LinkEngine::energyClockCheck() {
  switch (energy_.clockCheck(clock_())) {
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
      controls_.computedEnergy = energy_.roundedEnergy();
      break;
  }
}

void LinkEngine::resetTerminal() {
  EngineCall call(*this);
  lineLost_ = false;
  energy_.energyRunning = false;
  energy_.energyStop = false;
  if (owner_) owner_->applyPortChoice();
  decoder_.reset();
  screen_.clear();
  screenChanged_ = true;
  flags_.enterLock = 0;
  flags_.resultsSaved = flags_.saveOnceDone = flags_.menuScreen = flags_.extraMinus = false;
  queue_.keyDue = false;
  recognition_.valueScreen = recognition_.errorPage14 = recognition_.errorPage58 = false;
  recognition_.screenMode = VoltageScreen;
  leds_.ledArm = true;
  setTimer(LinkTimer::KeyQueueTimer, false);
  setTimer(LinkTimer::ConnectTimer, false);
  setTimer(LinkTimer::MinusTimer, false);
  queue_.keyLast = 1;
  flags_.saveOnceActive = flags_.enterOnPower = false;
  controls_.singleSaveMayEnter = 0;
  leds_.pageLed14Saved = leds_.pageLed58Saved = leds_.pageLedsCleared = false;
}

void LinkEngine::resetControls() {
  EngineCall call(*this);
  controls_.energyShown = false;
  resetSaveState();
  controls_.programmingEnabled = false;
  controls_.voltageModeEnabled = controls_.currentModeEnabled = controls_.powerFactorModeEnabled =
      controls_.powerModeEnabled = false;
  screenChanged_ = true;
}

void LinkEngine::resetSaveState() {
  EngineCall call(*this);
  controls_.saveEnabled = controls_.saveOnceEnabled = false;
  flags_.saveOnceDone = false;
  leds_.darken();
}
