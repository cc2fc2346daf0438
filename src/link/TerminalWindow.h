#pragma once

#include <array>
#include <memory>

#include <QHash>
#include <QString>

#include "link/LinkEngine.h"
#include "link/LinkOwner.h"
#include "link/LinkQtTimers.h"
#include "link/SerialLine.h"
#include "link/ReceiveLoop.h"
#include "link/ParameterFields.h"
#include "link/ProgrammingSequences.h"
#include "ui/OpenedWindow.h"

class Dataset;
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
// (BeginMeasurement). Closing hides it; the next measurement reuses it.
class TerminalWindow : public OpenedWindow, private LinkOwner {
  Q_OBJECT

 public:
  static constexpr int FoldedHeight = 190;
  static constexpr int UnfoldedHeight = 465;
  static constexpr int FormWidth = 520;

  explicit TerminalWindow(QWidget* parent = nullptr);
  ~TerminalWindow() override;

  // "Начать измерение" of the main window: bring the window to the front if
  // it is showing; otherwise block the base commands, take the chosen base's
  // nominal voltage and current, reset, open the port and show the window.
  void BeginMeasurement();
  // The program ends: the receive loop stops and is waited for.
  void StopPolling();

  // Lifecycle of a connection.
  void ResetTerminal();
  void ResetControls();
  void OpenPort();
  void ClosePort();

  // One turn of the receive loop: one byte decoded (true), or the idle
  // duties when none is waiting (false).
  bool ReceiveStep();
  // The mirror labels from the instrument's screen.
  void ShowScreen();

  // The programming tabs to and from ProgramConfig (and the chosen base).
  void LoadTabSettings();
  void StoreTabSettings();

  // The radio buttons of one programming tab.
  struct TabChoices {
    QRadioButton* active;
    QRadioButton* reactive;
    std::array<QRadioButton*, 5> schemes;  // "1 - Фаза" .. "4 - Проводная"
  };

  LinkEngine& Engine() { return engine_; }
  SerialLine& Line() { return line_; }
  ReceiveLoop& Loop() { return *thread_; }
  bool TimerActive(LinkTimer timer) const { return timers_.IsActive(timer); }
  QLabel* StatusPanel(int index) const;

 signals:
  // The mirror was redrawn (after every stored character and frame end).
  void ScreenShown();

 public slots:
  void save();
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
  void SendKey(uint8_t key) override;
  bool PortOpen() const override { return line_.Connected(); }
  void ApplyPortChoice() override;
  void RunSave() override { save(); }
  void TimerChanged(LinkTimer timer, bool enabled) override { timers_.Apply(timer, enabled); }
  void ScreenChanged() override { ShowScreen(); }
  void ControlsChanged() override;

  void setUpWindow();
  void onLineLost();
  static void RereadAfterFailedSave(Dataset& points);
  void onActivated();
  void onDeactivated();
  void CreateActions();
  void ConnectButtons();
  void CreateIndicatorImages();
  void CreateStatusPanels();
  void ShowTabDependentControls();
  void SetFormHeight(int height);

  // Entry fields.
  struct ParameterEdit {
    ParameterField field;
    QLineEdit* edit;
    QAction* test;  // the validation action (category "TestEdit")
  };
  void CreateValidationActions();
  bool IsEntryField(const QObject* widget) const;
  bool MovesFocusOnEnter(const QObject* widget) const;
  bool EntryFieldHasFocus() const;
  void ValidateAllFields();
  const ParameterEdit* EditOf(const QObject* widget) const;

  // Programming.
  TabChoices PowerChoices() const;
  TabChoices EnergyChoices() const;
  TabChoices ErrorChoices() const;
  bool RequireFilled(std::initializer_list<const QLineEdit*> edits, ProgrammingMode mode);
  void MainWindowFollowsMenu();

  std::unique_ptr<Ui::TerminalWindow> ui;
  LinkEngine engine_;
  LinkQtTimers timers_;
  SerialLine line_;
  std::unique_ptr<ReceiveLoop> thread_;
  QHash<QString, QAction*> actions_;
  QList<ParameterEdit> parameterEdits_;
  QList<QLabel*> statusPanels_;
};

// The terminal window while it exists.
inline TerminalWindow* theTerminalWindow = nullptr;
