#pragma once

#include <QList>
#include <QMainWindow>
#include <QPoint>
#include <QVector>

#include <functional>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class TDBGrid;

namespace Ui {
class TForm2;
}

// The main window "ВТ3417 Программа сбора данных": the tree of meter bases and
// of the meters in use in each base, the grid of the chosen meter's test
// points, and every command of the workspace. It owns the selection state of
// workspace/Selection.h (ChosenBaseName, ChosenSlot, ChosenMeterNum,
// MarkedPointCount, ActionsAllowed) and keeps the data module's datasets on the
// chosen base and meter: after a choice QBase holds only the chosen base (TBase
// on it), QMaster exactly the chosen meter (TMaster on it), TSlave that meter's
// test points and Query2 its points marked "R". Closing it ends the program.
//
// The data module DM1 must exist before the window is created.
class TForm2 : public QMainWindow {
  Q_OBJECT
 public:
  explicit TForm2(QWidget* parent = nullptr);
  ~TForm2() override;

  // --- routines the other windows call ---

  // Rebuilds the tree from the current rows of DM1->QBase (callers set it to
  // every base first). All base nodes collapsed, nothing selected.
  void BuildBaseTree();
  // Re-evaluates the selection from the tree: the data module's datasets, the
  // status bar, the grid, the command states, and a requested tree pop-up.
  void ShowSelection();
  // True when a base node is selected or a meter is chosen; false without bases.
  bool IsBaseSelected() const;
  // Start of a measurement: blocks the base commands, ActionsAllowed := false.
  void DisableBaseActions();
  // The terminal window closed: the base commands again, ActionsAllowed := true.
  void EnableBaseActions();
  // After results were stored: deletes the chosen base's empty test points
  // (voltage 0) and numbers the rest 1, 2, 3 ... per meter in use. Leaves
  // QMaster/TSlave on the base's last meter; run ShowSelection() afterwards.
  void RenumberTestPoints();
  // Ticks the stored port (ProgramConfig.ComPort) and sets UseCom2.
  void ApplyPortChoice();
  // Deletes every test point of the chosen base's meters (used or not).
  void ClearBaseData();

  // --- routines other modules plug in (set once at start-up, shell/WindowSet.cpp) ---
  //
  // Each command handler checks its own preconditions and then calls its hook.
  // A command whose hook is not set reports that the program was built without
  // that module (error box); optional hooks are simply skipped.
  struct CommandHooks {
    // "Начать измерение": the whole command (the terminal window's part: bring
    // it to the front if shown, else DisableBaseActions(), nominal texts,
    // ResetTerminal, ResetControls, OpenPort, show).
    std::function<void()> BeginMeasurement;
    // "Протокол поверки в MS Word" / "Групповой протокол поверки в MS Word":
    // run with a chosen meter and at least one marked point, under the
    // hourglass cursor and the status text; ShowSelection() runs afterwards.
    std::function<void()> SingleWordReport;
    std::function<void()> GroupWordReport;
    // "Добавить в архив": run when at least one point is marked (the notice
    // otherwise is the main window's).
    std::function<void()> AddToArchive;
    // "Просмотр архива": shows the archive browser on the whole archive with
    // the main window as its opener (disabled until the browser closes); the
    // browser's closing then calls ShowSelection().
    std::function<void()> OpenArchiveBrowser;
    // Optional: asks the terminal window's polling thread to stop (closing).
    std::function<void()> StopPolling;
  };
  CommandHooks Hooks;

  // --- components (names as in the window's design) ---
  QAction* ADDBase() const;
  QAction* DELBase() const;
  QAction* ClearBase() const;
  QAction* OptionsBase() const;
  QAction* BeginTest() const;
  QAction* ReportBase() const;
  QAction* GReportBase() const;
  QAction* AAddArhiv() const;
  QAction* AseeArhive() const;
  QAction* ASetPop() const;
  QAction* AClearPoP() const;
  QAction* AcountRep() const;
  QAction* MCOM11() const;  // "COM 1"
  QAction* MCOM21() const;  // "COM 2"
  QAction* N5() const;      // "Выход"
  QAction* N8() const;      // "Номер протокола"
  QAction* N14() const;     // "Общие сведения"
  QAction* N15() const;     // "Сведения об установке "
  QToolBar* ToolBar2() const;
  QSplitter* abcBiSplit1() const;
  QWidget* abcSplitPane1() const;
  QTreeWidget* TreeView1() const;
  TDBGrid* DBGrid1() const;
  QPlainTextEdit* MForm() const;
  QMenu* PM1() const;
  QMenu* PopupMenu1() const;
  // Status bar panels: 0 "База: ...", 1 "Счетчик: ...", 2 the reports' progress text.
  QLabel* StatusPanel(int index) const;

 public slots:
  // Commands (shared by menus, tool bar and pop-ups).
  void ADDBaseExecute();
  void DELBaseExecute();
  void ClearBaseExecute();
  void OptionsBaseExecute();
  void BeginTestExecute();
  void ReportBaseExecute();
  void GReportBaseExecute();
  void AAddArhivExecute();
  void AseeArhiveExecute();
  void ASetPopExecute();
  void AClearPoPExecute();
  void AcountRepExecute();
  void MCOM11Click();
  void MCOM21Click();
  void N5Click();
  void N8Click();
  void N14Click();
  void N15Click();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  enum class PopupForm { Base, Meter, Other };

  void FormCreate();
  void FormClose();
  void createActionsLook();
  void connectCommands();
  void ResetTree(int count);
  void TreeView1Click();
  void TreeView1KeyUp();
  void TreeView1MouseDown(const QPoint& position);
  void DBGrid1CellClick(int row, int column);
  void DBGrid1KeyPress(const QString& text);
  void DBGrid1MouseDown();
  void abcSplitPane1Resize();
  void ToggleMark();
  void ShowPopup(PopupForm form);
  void ApplySelectionCommandStates();
  void ClearSelectionState();
  void ChoosePort(bool com2);
  void ShowPortChoice(bool com2);
  QTreeWidgetItem* SelectedNode() const;
  QList<QAction*> BaseActions() const;
  void RequireHook(const std::function<void()>& hook, const char* module) const;
  void RunWordReport(const std::function<void()>& report, const char* moduleName);
  void RestoreLayout();
  void SaveLayout();
  void ApplySplit();
  double currentSplitFraction() const;

  std::unique_ptr<Ui::TForm2> ui;
  QVector<QTreeWidgetItem*> BaseNodes;  // [0] "База счетчиков", [i] the i-th base
  int BaseCount = 0;
  bool popupRequested_ = false;
  QPoint popupPoint_;  // the press point in tree coordinates
  QMenu* pm1_ = nullptr;
  QMenu* popupMenu1_ = nullptr;
  QVector<QLabel*> statusPanels_;
  double splitFraction_ = 0;  // the tree pane's share of the split width; 0: design width
  bool shownBefore_ = false;
  bool closed_ = false;
};
