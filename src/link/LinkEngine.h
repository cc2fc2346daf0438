#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include <QChar>
#include <QString>

#include "link/EnergyCount.h"
#include "link/InstrumentScreen.h"
#include "link/KeyQueue.h"
#include "link/LinkOwner.h"
#include "link/MeasuredValues.h"
#include "link/PageIndicators.h"
#include "link/ProgrammingSequences.h"
#include "link/ScreenRecognition.h"
#include "link/TerminalDecoder.h"

// Flags shared by the keypad, the supervision timers and result recording.
struct LinkFlags {
  bool menuScreen = false;       // the instrument shows its main menu
  uint8_t enterLock = 0;         // 0 none, 1 ВВ pressed on a power screen, 2 single save started
  bool enterOnPower = false;     // ВВ was pressed on a power screen
  bool saveOnceActive = false;   // a single save is collecting the error pages
  bool enterSaveStep = false;    // the single save still has to send ЗБ
  bool saveOnceDone = false;     // the last single save stored its results
  bool resultsSaved = false;     // test points were stored since the terminal was reset
  bool minusRepeat = false;      // MinusTimer is to press one more "-"
  bool extraMinus = false;       // the next frame end presses one more "-"
  bool errorModeActive = false;  // error mode programmed for active power

  bool operator==(const LinkFlags&) const = default;
};

// The states of the terminal window's controls that the engine decides; the
// window mirrors them when controlsChanged() is called. Plain values only: a
// snapshot is taken on every call into the engine.
struct LinkControls {
  bool programmingEnabled = false;  // the three "Программировать..." buttons and the programming tabs
  bool mainWindowEnabled = true;  // given to the main window while the terminal window is visible
  bool voltageModeEnabled = false;
  bool currentModeEnabled = false;
  bool powerFactorModeEnabled = false;
  bool powerModeEnabled = false;
  bool enterKeyEnabled = true;       // ВВ
  bool saveEnabled = false;          // "Сохранить"
  bool saveOnceEnabled = false;      // "Сохр. однократно"
  bool energyButtonEnabled = false;  // "Старт"/"Стоп" of the energy count
  bool energyCountRunning = false;   // the count runs: the button reads "Стоп"
  int singleSaveMayEnter = 0;        // 1 lets a single save send ЗБ at once
  bool energyShown = false;          // computedEnergy shows the computed energy ...
  double computedEnergy = 0;         // ... rounded to hundredths

  QString energyButtonCaption() const {
    return energyCountRunning ? QStringLiteral("Стоп") : QStringLiteral("Старт");
  }
  QString computedEnergyText() const;
  bool operator==(const LinkControls&) const = default;
};

// The instrument link without any widget: the display mirror and its decoder,
// screen recognition and parsers, the keypad's actions, the key queue, the
// supervision timers' rules, the single save's page walk and the energy count.
// It is driven by explicit calls (a byte arrived, an idle turn, a timer fired)
// and asks its owner for everything outside (writing keys, the port, saving,
// timers), so that the window, the tests and the replay tool run the same code.
class LinkEngine {
 public:
  explicit LinkEngine(MeasuredValues& values = programMeasuredValues());

  void setOwner(LinkOwner* owner);
  // The clock's seconds field (0..59) for the energy count; the system clock by default.
  void setClock(std::function<int()> secondOfMinute);

  // One turn of the receive loop: decode one byte, or the idle duties when none waits.
  void receiveStep(std::optional<uint8_t> received);
  void byteArrived(uint8_t byte) { receiveStep(byte); }
  void idleTurn() { receiveStep(std::nullopt); }

  // Timers: the owner runs them as timerChanged() says and reports each tick.
  bool timerEnabled(LinkTimer timer) const { return timers_[static_cast<int>(timer)]; }
  void timerFired(LinkTimer timer);
  int watchdogTag() const { return watchdogTag_; }

  // Inputs from the window.
  void setBaseChosen(bool chosen) { baseChosen_ = chosen; }
  void setActiveTab(int index) { activeTab_ = index; }
  static constexpr int ErrorTab = 2;

  // The port failed while open (device gone): the terminal is reset, saving
  // stays off, and ConnectTimer tries to open the port once a second until
  // it opens; the connection then starts as when first opened.
  void lineLost();
  bool reconnecting() const { return lineLost_; }
  // The window closed: no further attempt to open the port.
  void stopReconnecting();

  // State resets and the button rule.
  void resetTerminal();
  void resetControls();
  void resetSaveState();
  void checkMenuAndButtons();
  void clearMeasured() { values_.clearMeasured(); }

  // Key actions.
  void pressDigit(int digit);  // the keys 0 .. 9, also the page keys "1-4" and "5-8"
  void pressDigit0() { pressDigit(0); }
  void pressDigit1() { pressDigit(1); }
  void pressPoint();
  void pressMinus();
  void pressCursorBack();
  void pressEnterKey();
  void pressErase();
  void pressReset();
  void pressCurrentMode();
  void pressPowerFactorMode();
  void pressCtrlN();
  void pressCtrlO();
  // The keyboard outside the entry fields; false when the key does nothing.
  bool keyTyped(QChar key);

  // Single save: ВВ, then ЗБ, then the pages walked by the watchdog.
  void saveOnce();
  // Programme a measurement mode (the fields were checked by the window).
  void program(const ProgrammingRun& run);
  // "Старт"/"Стоп" of the energy count.
  void toggleEnergyCount();

  // State, readable by the window and writable by tests.
  const InstrumentScreen& screen() const { return screen_; }
  InstrumentScreen& screen() { return screen_; }
  TerminalDecoder& decoder() { return decoder_; }
  const TerminalDecoder& decoder() const { return decoder_; }
  ScreenRecognition& recognition() { return recognition_; }
  const ScreenRecognition& recognition() const { return recognition_; }
  LinkFlags& flags() { return flags_; }
  const LinkFlags& flags() const { return flags_; }
  PageIndicators& leds() { return leds_; }
  const PageIndicators& leds() const { return leds_; }
  LinkControls& controls() { return controls_; }
  const LinkControls& controls() const { return controls_; }
  KeyQueue& queue() { return queue_; }
  const EnergyCount& energy() const { return energy_; }
  MeasuredValues& measured() { return values_; }

 private:
  friend class EngineCall;

  void sendKey(uint8_t key);
  void setTimer(LinkTimer timer, bool enabled);
  void idleDuties();
  void decodeByte(uint8_t received);
  void recognizeScreen();
  void screenComplete();
  void energyClockCheck();
  void resetEntryKeyState();
  void onKeyQueueTimer();
  void onMinusTimer();
  void onWatchdog();
  void onConnectTimer();
  bool anyMeasurementScreen() const;
  bool anyErrorPage() const { return recognition_.errorPage14 || recognition_.errorPage58; }

  MeasuredValues& values_;
  LinkOwner* owner_ = nullptr;
  std::function<int()> clock_;

  InstrumentScreen screen_;
  TerminalDecoder decoder_;
  ScreenRecognition recognition_;
  LinkFlags flags_;
  PageIndicators leds_;
  LinkControls controls_;
  KeyQueue queue_;
  EnergyCount energy_;
  std::array<bool, LinkTimerCount> timers_{};
  int watchdogTag_ = 0;
  bool baseChosen_ = false;
  int activeTab_ = 0;
  bool lineLost_ = false;   // the port failed and has not opened again
  int reconnectTicks_ = 0;  // ConnectTimer ticks since the line was lost
  static constexpr int kTicksPerReopen = 5;

  // Change notification at the end of the outermost call (see EngineCall).
  int callDepth_ = 0;
  bool screenChanged_ = false;
};
