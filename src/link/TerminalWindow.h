#pragma once

#include <array>
#include <functional>
#include <memory>

#include <QList>
#include <QString>

#include "link/LinkEngine.h"
#include "link/LinkOwner.h"
#include "link/LinkQtTimers.h"
#include "link/ParameterFields.h"
#include "link/ProgrammingSequences.h"
#include "link/ReceiveLoop.h"
#include "link/SerialLine.h"
#include "ui/OpenedWindow.h"

class DataModule;
class Dataset;
class Selection;
class Workspace;
class QAction;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace Ui {
class TerminalWindow;
}

// The terminal window "ВТ3417": the mirror of the instrument's display, its
// keypad on screen and on the keyboard, the save buttons, the page indicators
// and, folded away below, the programming tabs. The link engine does the
// instrument's logic; this window binds it to the controls, the serial port,
// real timers and the receive loop ReceiveLoop, which turns the engine one byte
// (or one idle turn) at a time on the user-interface thread.
//
// Created hidden at start-up; "Начать измерение" of the main window shows it
// (beginMeasurement). Closing hides it; the next measurement reuses it.
class TerminalWindow : public OpenedWindow, private LinkOwner {
  Q_OBJECT

 public:
  static constexpr int FoldedHeight = 210;
  static constexpr int UnfoldedHeight = 485;
  static constexpr int FormWidth = 520;

  // The workspace may be null (a terminal window without a main window).
  TerminalWindow(DataModule& dataModule, Selection& selection, Workspace* workspace,
                 QWidget* parent = nullptr);
  ~TerminalWindow() override;

  // "Начать измерение" of the main window: bring the window to the front if
  // it is showing; otherwise block the base commands, take the chosen base's
  // nominal voltage and current, reset, open the port and show the window.
  void beginMeasurement();
  // The program ends: the receive loop stops and is waited for.
  void stopPolling();

  // Lifecycle of a connection.
  void resetTerminal();
  void resetControls();
  void openPort();
  void closePort();

  // One turn of the receive loop: one byte decoded (true), or the idle
  // duties when none is waiting (false).
  bool receiveStep();
  // The mirror labels from the instrument's screen.
  void showScreen();

  // The programming tabs to and from ProgramConfig (and the chosen base).
  void loadTabSettings();
  void storeTabSettings();

  // The radio buttons of one programming tab.
  struct TabChoices {
    QRadioButton* active;
    QRadioButton* reactive;
    std::array<QRadioButton*, 5> schemes;  // "1 - Фаза" .. "4 - Проводная"
  };

  // What the verification program of the chosen base asks for, plugged in at
  // start-up (the rule lives above this layer); unset: no line is shown.
  struct ProgramGuide {
    // The line for a base: "Следующая точка: …" or "Программа выполнена";
    // empty when the base has no program.
    std::function<QString(const QString& baseName)> nextPointLine;
    // Whether points stored at these conditions for these meters (keys) of the
    // base cover no point of the program of one of them.
    std::function<bool(const QString& baseName, const QList<qint64>& meters, double voltagePercent,
                       double currentPercent, const QString& powerFactor)>
        outsideProgram;
  };
  ProgramGuide programGuide;
  // The status panel that notes a save outside the program.
  static constexpr int kProgramNotePanel = 2;

  LinkEngine& engine() { return engine_; }
  SerialLine& line() { return line_; }
  ReceiveLoop& loop() { return *thread_; }
  bool timerActive(LinkTimer timer) const { return timers_.isActive(timer); }
  QLabel* statusPanel(int index) const;

 signals:
  // The mirror was redrawn (after every stored character and frame end).
  void screenShown();

 public slots:
  void save(SaveKind kind = SaveKind::Save);
  void saveOnce();
  void programPower();
  void programEnergy();
  void programError();
  void toggleEnergyCount();
  void toggleDetails();
  void onProgrammingTabChanged();

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  // The keyboard works the keypad while no
  // entry field has the focus.
  bool formKeyPress(QKeyEvent* event) override;
  // The entry fields' key filter and Enter rule.
  bool controlKeyPress(QWidget* control, QKeyEvent* event) override;
  void formClose() override;

 private:
  // LinkOwner
  void sendKey(uint8_t key) override;
  bool portOpen() const override { return line_.connected(); }
  void applyPortChoice() override;
  void runSave(SaveKind kind) override { save(kind); }
  void timerChanged(LinkTimer timer, bool enabled) override { timers_.apply(timer, enabled); }
  void screenChanged() override { showScreen(); }
  void controlsChanged() override;

  void setUpWindow();
  // The next program point of the chosen base, and after a save whether it
  // measured a point outside the program.
  void showProgramGuide();
  void noteSavedConditions(const QList<qint64>& meters);
  void onLineLost();
  static void rereadAfterFailedSave(Dataset& points);
  void onActivated();
  void onDeactivated();
  void createActions();
  void connectButtons();

  // The instrument's keys on the keypad and the keyboard, and the window's two
  // save commands; each has its action.
  enum class InstrumentKey {
    Digit0,
    Digit1,
    Digit2,
    Digit3,
    Digit4,
    Digit5,
    Digit6,
    Digit7,
    Digit8,
    Digit9,
    Point,
    Minus,            // "-": next screen
    CursorBack,       // ВШ: back to the voltage screen
    Enter,            // ВВ
    Erase,            // ЗБ
    Reset,            // СБР
    CurrentMode,      // I
    PowerFactorMode,  // KM
    LinkStart,        // Ctrl+N: 14, sent when a connection opens
    LinkEnd,          // Ctrl+O: 15, sent when it closes
    Save,             // "Сохранить"
    SaveOnce,         // "Сохр. однократно"
  };
  static constexpr size_t InstrumentKeyCount = static_cast<size_t>(InstrumentKey::SaveOnce) + 1;
  QAction* keyAction(InstrumentKey key) const { return keyActions_[static_cast<size_t>(key)]; }

  void createIndicatorImages();
  void createStatusPanels();
  void showTabDependentControls();
  void setFormHeight(int height);

  // Entry fields.
  struct ParameterEdit {
    ParameterField field;
    QLineEdit* edit;
    QAction* test;  // the validation action (category "TestEdit")
  };
  void createValidationActions();
  bool isEntryField(const QObject* widget) const;
  bool movesFocusOnEnter(const QObject* widget) const;
  bool entryFieldHasFocus() const;
  void validateAllFields();
  const ParameterEdit* editOf(const QObject* widget) const;

  // Programming.
  TabChoices powerChoices() const;
  TabChoices energyChoices() const;
  TabChoices errorChoices() const;
  bool requireFilled(std::initializer_list<const QLineEdit*> edits, ProgrammingMode mode);
  void mainWindowFollowsMenu();

  std::unique_ptr<Ui::TerminalWindow> ui;
  DataModule& dm_;
  Selection& selection_;
  Workspace* workspace_;
  LinkEngine engine_;
  LinkQtTimers timers_;
  SerialLine line_;
  std::unique_ptr<ReceiveLoop> thread_;
  std::array<QAction*, InstrumentKeyCount> keyActions_{};
  QList<ParameterEdit> parameterEdits_;
  QList<QLabel*> statusPanels_;
};
