// The keypad's actions, the keyboard, programming and the energy count's button.
#include "link/KeyCodes.h"
#include "link/LinkEngine.h"
#include "link/LinkEngineCall.h"
#include "link/ScreenParsers.h"

void LinkEngine::pressDigit(int digit) {
  EngineCall call(*this);
  sendKey(KeyCode::digit(digit));
  decoder_.eraseHold = false;
}

void LinkEngine::pressPoint() {
  EngineCall call(*this);
  sendKey(KeyCode::Point);
  decoder_.eraseHold = false;
}

// "-" and ВШ leave the screen: the entry lock, the echo hold, the indicator
// arming and the save state start afresh.
void LinkEngine::resetEntryKeyState() {
  flags_.enterLock = 0;
  decoder_.eraseHold = false;
  leds_.ledArm = false;
  resetSaveState();
}

void LinkEngine::pressMinus() {
  EngineCall call(*this);
  sendKey(KeyCode::Minus);
  resetEntryKeyState();
}

void LinkEngine::pressCursorBack() {
  EngineCall call(*this);
  sendKey(KeyCode::Vsh);
  resetEntryKeyState();
}

void LinkEngine::pressEnterKey() {
  EngineCall call(*this);
  if (flags_.enterLock == 0 && recognition_.powerScreen) flags_.enterLock = 1;
  sendKey(KeyCode::Enter);
  resetSaveState();
  decoder_.eraseHold = false;
  if (recognition_.powerScreen && !flags_.saveOnceActive) {
    flags_.enterOnPower = true;
    controls_.singleSaveMayEnter = 1;
  }
}

bool LinkEngine::anyMeasurementScreen() const {
  return recognition_.valueScreen || anyErrorPage() || recognition_.powerScreen;
}

void LinkEngine::pressErase() {
  EngineCall call(*this);
  sendKey(KeyCode::Erase);
  if (!anyMeasurementScreen() && decoder_.eraseLastChar(screen_)) screenChanged_ = true;
}

void LinkEngine::pressReset() {
  EngineCall call(*this);
  if (flags_.menuScreen) {
    // From the main menu СБР restarts the connection; ConnectTimer reopens it.
    sendKey(KeyCode::Reset);
    if (owner_) owner_->closePort();
    resetTerminal();
    resetSaveState();
    setTimer(LinkTimer::ConnectTimer, true);
  } else {
    resetSaveState();
    sendKey(KeyCode::Reset);
  }
}

void LinkEngine::pressCurrentMode() {
  EngineCall call(*this);
  if (!controls_.currentModeEnabled) return;
  pressMinus();
  flags_.minusRepeat = true;
  setTimer(LinkTimer::MinusTimer, true);
  flags_.extraMinus = true;
}

void LinkEngine::pressPowerFactorMode() {
  EngineCall call(*this);
  if (!controls_.powerFactorModeEnabled) return;
  pressMinus();
  flags_.minusRepeat = true;
  setTimer(LinkTimer::MinusTimer, true);
}

void LinkEngine::pressCtrlN() {
  EngineCall call(*this);
  sendKey(KeyCode::LinkStart);
}

void LinkEngine::pressCtrlO() {
  EngineCall call(*this);
  sendKey(KeyCode::LinkEnd);
}

bool LinkEngine::keyTyped(QChar typed) {
  EngineCall call(*this);
  const QChar key = typed.toUpper();
  const LinkControls& c = controls_;
  if (key == QChar(8)) {
    pressCursorBack();
  } else if (key == QChar(13)) {
    if (!c.enterKeyEnabled) return false;
    pressEnterKey();
  } else if (key == QChar(27)) {
    pressReset();
  } else if (key == u'-') {
    pressMinus();
  } else if (key == u'.') {
    pressPoint();
  } else if (key >= u'0' && key <= u'9') {
    pressDigit(key.unicode() - u'0');
  } else if (key == u'A' || key == u'Ф') {
    if (!c.saveOnceEnabled) return false;
    saveOnce();
  } else if (key == u'I' || key == u'Ш') {
    if (!c.currentModeEnabled) return false;
    pressCurrentMode();
  } else if (key == u'K' || key == u'Л') {
    if (!c.powerFactorModeEnabled) return false;
    pressPowerFactorMode();
  } else if (key == u'P' || key == u'З') {
    if (!c.powerModeEnabled) return false;
    pressMinus();
  } else if (key == u'S' || key == u'Ы') {
    if (!c.saveEnabled || !owner_) return false;
    owner_->runSave(SaveKind::Save);
  } else if (key == u'U' || key == u'Г') {
    if (!c.voltageModeEnabled) return false;
    pressCursorBack();
  } else {
    return false;
  }
  return true;
}

void LinkEngine::saveOnce() {
  EngineCall call(*this);
  if (flags_.enterLock == 0) flags_.enterLock = 2;
  flags_.saveOnceActive = true;
  pressEnterKey();
  flags_.enterSaveStep = true;
  flags_.saveOnceDone = false;
  if (controls_.singleSaveMayEnter == 1) setTimer(LinkTimer::MinusTimer, true);
}

void LinkEngine::program(const ProgrammingRun& run) {
  EngineCall call(*this);
  if (!flags_.menuScreen) pressReset();
  pressErase();
  decoder_.eraseHold = false;
  if (run.mode == ProgrammingMode::Error) {
    values_.clearMeasured();
    flags_.errorModeActive = run.kind == PowerKind::Active;
  }
  queue_.load(run.keys);
  setTimer(LinkTimer::KeyQueueTimer, true);
}

void LinkEngine::toggleEnergyCount() {
  EngineCall call(*this);
  if (controls_.energyCountRunning) {
    controls_.energyCountRunning = false;
    energy_.stop();
    return;
  }
  if (!recognition_.powerScreen) return;
  controls_.energyShown = false;
  energy_.start(readPower(screen_), clock_());
  controls_.energyCountRunning = true;
}
