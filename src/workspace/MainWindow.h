#pragma once

#include <QList>
#include <QMainWindow>
#include <QPoint>
#include <QVector>

#include <functional>
#include <memory>
#include <optional>

#include "ui/Workspace.h"

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class DataModule;
class DatasetGrid;
class ErrorChartView;
class Selection;
class QTimer;

namespace Ui {
class MainWindow;
}

// The main window "ВТ3417 Программа сбора данных": the tree of meter bases and
// of the meters in use in each base, the grid of the chosen meter's test
// points with the chart of their errors below it, and every command of the
// workspace. It sets the selection (the chosen base, slot and meter, the
// marked count, whether the base commands are allowed, the port) and keeps the
// data module's datasets on the chosen base and meter: after a choice bases
// holds only the chosen base (chosenBase on it), meters exactly the chosen
// meter (chosenMeter on it), testPoints that meter's test points and
// markedPoints its points marked "R". Closing it ends the program.
class MainWindow : public QMainWindow, public Workspace {
  Q_OBJECT
 public:
  // The data module has opened its tables; both outlive the window.
  MainWindow(DataModule& dataModule, Selection& selection, QWidget* parent = nullptr);
  ~MainWindow() override;

  // --- routines the other windows call (Workspace) ---

  QWidget* workspaceWidget() override { return this; }
  QWidget* testPointGrid() override;

  // Rebuilds the tree from the current rows of the data module's bases (callers set it to
  // every base first). All base nodes collapsed, nothing selected.
  void buildBaseTree() override;
  // Re-evaluates the selection from the tree: the data module's datasets, the
  // status bar, the grid, the command states, and a requested tree pop-up.
  void showSelection() override;
  // True when a base node is selected or a meter is chosen; false without bases.
  bool isBaseSelected() const;
  // Start of a measurement: blocks the base commands; actions no longer allowed.
  void disableBaseActions() override;
  // The terminal window closed: the base commands again; actions allowed.
  void enableBaseActions() override;
  // After results were stored: deletes the chosen base's empty test points
  // (voltage 0) and numbers the rest 1, 2, 3 ... per meter in use. Leaves
  // meters/testPoints on the base's last meter; run showSelection() afterwards.
  void renumberTestPoints() override;
  // Ticks the stored port (ProgramConfig.ComPort) and makes it the selection's port.
  void applyPortChoice();
  // Redraws the chart of the chosen meter's points on the next turn of the
  // event loop (once for any number of requests before it).
  void scheduleChartUpdate();
  // Redraws it now.
  void updateChart();

  // --- routines other modules plug in (set once at start-up by app/Windows.cpp) ---
  //
  // Each command handler checks its own preconditions and then calls its hook.
  // A command whose hook is not set reports that the program was built without
  // that module (error box); optional hooks are simply skipped.
  struct CommandHooks {
    // "Начать измерение": the whole command (the terminal window's part: bring
    // it to the front if shown, else disableBaseActions(), nominal texts,
    // resetTerminal, resetControls, openPort, show).
    std::function<void()> beginMeasurement;
    // "Протокол поверки в MS Word" / "Групповой протокол поверки в MS Word":
    // run with a chosen meter and at least one marked point, under the
    // hourglass cursor and the status text; showSelection() runs afterwards.
    // A report names the document it saved with noteSavedDocument().
    std::function<void()> singleWordReport;
    std::function<void()> groupWordReport;
    // "Добавить в архив": run when at least one point is marked (the notice
    // otherwise is the main window's).
    std::function<void()> addToArchive;
    // "Просмотр архива": shows the archive browser on the whole archive with
    // the main window as its opener (disabled until the browser closes); the
    // browser's closing then calls showSelection().
    std::function<void()> openArchiveBrowser;
    // Optional: asks the terminal window's polling thread to stop (closing).
    std::function<void()> stopPolling;
    // The windows the small commands open, each with the main window as its
    // opener: "Создать базу" (the base name dialog, which hands over to the
    // meter base editor), "Данные счетчиков" (the editor on the chosen base),
    // "Номер протокола", "Сведения об установке", "Общие сведения",
    // "Пределы погрешности".
    std::function<void()> openBaseNameDialog;
    std::function<void()> openBaseEditor;
    std::function<void()> openProtocolNumberDialog;
    std::function<void()> openInstallationDialog;
    std::function<void()> openAboutDialog;
    std::function<void()> openLimitsWindow;
    // "Импорт из прежней программы…": the whole command (folder, check,
    // question, import, the tree shown anew).
    std::function<void()> importFromLegacyProgram;
    std::function<void()> openProgramsWindow;  // "Программы поверки"
  };
  CommandHooks hooks;
  // Called by a report hook with the document it saved: the report panel names
  // it once the report is over.
  void noteSavedDocument(const QString& path) { savedDocument_ = path; }

  // Status bar panels ("statusPanel0".."statusPanel3"): 0 "База: ...", 1
  // "Счетчик: ...", 2 the chosen meter's verdict ("Годен", "Не годен", "Не
  // оценён"), 3 the reports' progress text.
  static constexpr int kVerdictPanel = 2;
  static constexpr int kReportPanel = 3;

 public slots:
  // Commands (shared by menus, tool bar and pop-ups).
  void createBase();
  void deleteBase();
  void clearBase();
  void editBase();
  void beginMeasurement();
  void writeSingleProtocol();
  void writeGroupProtocol();
  void addToArchive();
  void viewArchive();
  void markAllPoints();
  void unmarkAllPoints();
  void countMarkedPoints();
  void chooseCom1();
  void chooseCom2();
  void exitProgram();
  void editProtocolNumber();
  void showAbout();
  void editInstallation();
  // Shows "protocols/" of the program directory in the desktop's file manager
  // (made first when missing); enabled only in a desktop session.
  void openProtocolsFolder();
  void showLimits();
  void importFromLegacyProgram();
  void showPrograms();
  // Shows the verdicts against the accuracy limits and the verification
  // programs: the chosen meter's in the status bar ("Не оценён: нет 3 из 9
  // точек") and its program in the program view, every meter's verdict and
  // progress in the tree, the judged errors in the grid.
  void showVerdicts();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  enum class PopupForm { Base, Meter, Other };
  // Deletes every test point of the chosen base's meters (used or not).
  void clearBaseData();
  QLabel* statusPanel(int index) const;
  // Node data: the base a meter node belongs to (the node's base record) and its slot.
  static constexpr int kBaseNameRole = Qt::UserRole;
  static constexpr int kSlotRole = Qt::UserRole + 1;

  void setUpWindow();
  void setUpChart();
  void onClosed();
  void createActionsLook();
  void connectCommands();
  void resetTree(int count);
  void onTreeClick();
  void onTreeKeyUp();
  void onTreeMousePress(const QPoint& position);
  void onGridCellClick(int row, int column);
  void onGridKeyPress(const QString& text);
  void onGridMousePress();
  void onTreePaneResize();
  void setUpJudgements();
  // The chosen base's accuracy class; nothing without a chosen base.
  std::optional<double> chosenAccuracyClass() const;
  void toggleMark();
  void showPopup(PopupForm form);
  void applySelectionCommandStates();
  void clearSelectionState();
  void choosePort(bool com2);
  void showPortChoice(bool com2);
  QTreeWidgetItem* selectedNode() const;
  QList<QAction*> baseActions() const;
  void requireHook(const std::function<void()>& hook, const char* module) const;
  // Runs a command's hook; one that is not set is reported as a module the program lacks.
  void runHook(const std::function<void()>& hook, const char* module) const;
  void runWordReport(const std::function<void()>& report, const char* moduleName);
  void restoreLayout();
  void saveLayout();
  void applySplit();
  void fitFirstLayout();
  double currentSplitFraction() const;
  double currentChartSplitFraction() const;
  double currentProgramSplitFraction() const;

  std::unique_ptr<Ui::MainWindow> ui;
  QVector<QTreeWidgetItem*> baseNodes_;  // [0] "База счетчиков", [i] the i-th base
  int baseCount_ = 0;
  bool popupRequested_ = false;
  QPoint popupPoint_;  // the press point in tree coordinates
  QMenu* baseTreeMenu_ = nullptr;
  QMenu* pointGridMenu_ = nullptr;
  QVector<QLabel*> statusPanels_;
  double splitFraction_ = 0;         // the tree pane's share of the split width; 0: design width
  bool layoutStored_ = false;        // the layout file gave a window state
  double chartSplitFraction_ = 0;    // the grid's share of the height above the chart; 0: design
  double programSplitFraction_ = 0;  // the chart's share of the width beside the program view; 0: design
  QTimer* chartUpdate_ = nullptr;
  QTimer* verdictUpdate_ = nullptr;
  bool shownBefore_ = false;
  bool closed_ = false;
  QString savedDocument_;  // the document the running report saved
  DataModule& dm_;
  Selection& selection_;
};
