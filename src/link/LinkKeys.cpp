// The keypad's actions, the keyboard, programming and the energy count's button.
#include "link/KeyCodes.h"
#include "link/LinkEngine.h"
#include "link/LinkEngineCall.h"
#include "link/ScreenParsers.h"

void LinkEngine::AClickDigitExecute(int digit) {
  EngineCall call(*this);
  SendKey(KeyCode::Digit(digit));
  decoder_.EraseHold = false;
}

void LinkEngine::AclickTochkaExecute() {
  EngineCall call(*this);
  SendKey(KeyCode::Point);
  decoder_.EraseHold = false;
}

// "-" and ВШ leave the screen: the entry lock, the echo hold, the indicator
// arming and the save state start afresh.
void LinkEngine::ResetEntryKeyState() {
  flags_.EnterLock = 0;
  decoder_.EraseHold = false;
  leds_.LedArm = false;
  ResetSaveState();
}

void LinkEngine::AclickMinusExecute() {
  EngineCall call(*this);
  SendKey(KeyCode::Minus);
  ResetEntryKeyState();
}

void LinkEngine::AclickVshExecute() {
  EngineCall call(*this);
  SendKey(KeyCode::Vsh);
  ResetEntryKeyState();
}

void LinkEngine::AclickVVodExecute() {
  EngineCall call(*this);
  if (flags_.EnterLock == 0 && recognition_.PowerScreen) flags_.EnterLock = 1;
  SendKey(KeyCode::Enter);
  ResetSaveState();
  decoder_.EraseHold = false;
  if (recognition_.PowerScreen && !flags_.SaveOnceActive) {
    flags_.EnterOnPower = true;
    controls_.Button2Tag = 1;
  }
}

bool LinkEngine::AnyMeasurementScreen() const {
  return recognition_.ValueScreen || AnyErrorPage() || recognition_.PowerScreen;
}

void LinkEngine::AclickZaboyExecute() {
  EngineCall call(*this);
  SendKey(KeyCode::Erase);
  if (!AnyMeasurementScreen() && decoder_.EraseLastChar(screen_)) screenChanged_ = true;
}

void LinkEngine::AclickSbrosExecute() {
  EngineCall call(*this);
  if (flags_.MenuScreen) {
    // From the main menu СБР restarts the connection; TimerConect reopens it.
    SendKey(KeyCode::Reset);
    if (owner_) owner_->ClosePort();
    ResetTerminal();
    ResetSaveState();
    SetTimer(LinkTimer::TimerConect, true);
  } else {
    ResetSaveState();
    SendKey(KeyCode::Reset);
  }
}

void LinkEngine::AclickIExecute() {
  EngineCall call(*this);
  if (!controls_.SBIEnabled) return;
  AclickMinusExecute();
  flags_.MinusRepeat = true;
  SetTimer(LinkTimer::TimerMinus, true);
  flags_.ExtraMinus = true;
}

void LinkEngine::AclickKMExecute() {
  EngineCall call(*this);
  if (!controls_.SBKMEnabled) return;
  AclickMinusExecute();
  flags_.MinusRepeat = true;
  SetTimer(LinkTimer::TimerMinus, true);
}

void LinkEngine::ctrl_NExecute() {
  EngineCall call(*this);
  SendKey(KeyCode::LinkStart);
}

void LinkEngine::crtl_OExecute() {
  EngineCall call(*this);
  SendKey(KeyCode::LinkEnd);
}

bool LinkEngine::FormKeyPress(QChar typed) {
  EngineCall call(*this);
  const QChar key = typed.toUpper();
  const LinkControls& c = controls_;
  if (key == QChar(8)) {
    AclickVshExecute();
  } else if (key == QChar(13)) {
    if (!c.SpeedButton13Enabled) return false;
    AclickVVodExecute();
  } else if (key == QChar(27)) {
    AclickSbrosExecute();
  } else if (key == u'-') {
    AclickMinusExecute();
  } else if (key == u'.') {
    AclickTochkaExecute();
  } else if (key >= u'0' && key <= u'9') {
    AClickDigitExecute(key.unicode() - u'0');
  } else if (key == u'A' || key == u'Ф') {
    if (!c.Button2Enabled) return false;
    ASaveOneExecute();
  } else if (key == u'I' || key == u'Ш') {
    if (!c.SBIEnabled) return false;
    AclickIExecute();
  } else if (key == u'K' || key == u'Л') {
    if (!c.SBKMEnabled) return false;
    AclickKMExecute();
  } else if (key == u'P' || key == u'З') {
    if (!c.SBPEnabled) return false;
    AclickMinusExecute();
  } else if (key == u'S' || key == u'Ы') {
    if (!c.Button1Enabled || !owner_) return false;
    owner_->RunSave();
  } else if (key == u'U' || key == u'Г') {
    if (!c.SBUEnabled) return false;
    AclickVshExecute();
  } else {
    return false;
  }
  return true;
}

void LinkEngine::ASaveOneExecute() {
  EngineCall call(*this);
  if (flags_.EnterLock == 0) flags_.EnterLock = 2;
  flags_.SaveOnceActive = true;
  AclickVVodExecute();
  flags_.EnterSaveStep = true;
  flags_.SaveOnceDone = false;
  if (controls_.Button2Tag == 1) SetTimer(LinkTimer::TimerMinus, true);
}

void LinkEngine::Program(const ProgrammingRun& run) {
  EngineCall call(*this);
  if (!flags_.MenuScreen) AclickSbrosExecute();
  AclickZaboyExecute();
  decoder_.EraseHold = false;
  if (run.mode == ProgrammingMode::Error) {
    values_.ClearMeasured();
    flags_.ErrorModeActive = run.kind == PowerKind::Active;
  }
  queue_.Load(run.keys);
  SetTimer(LinkTimer::Timer1, true);
}

void LinkEngine::Button3Click() {
  EngineCall call(*this);
  if (controls_.Button3Stop) {
    controls_.Button3Stop = false;
    energy_.Stop();
    return;
  }
  if (!recognition_.PowerScreen) return;
  controls_.EenergyShown = false;
  energy_.Start(ReadPower(screen_), clock_());
  controls_.Button3Stop = true;
}
