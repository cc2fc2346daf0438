#pragma once

#include <functional>

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QLabel>
#include <QTest>
#include <QTreeWidget>

#include "../database/DatabaseFixture.h"
#include "PtyInstrument.h"
#include "app/Windows.h"
#include "database/Statements.h"
#include "link/TerminalWindow.h"
#include "settings/SettingsRecords.h"
#include "support/Widgets.h"
#include "ui/Selection.h"
#include "workspace/MainWindow.h"

// The program's windows on a fresh program directory and database: the main
// window and the terminal window as the program creates them, on the data
// module and a selection of their own.
struct TerminalFixture : DatabaseFixture {
  TerminalFixture() {
    Config = ProgramConfig{};
    programMeasuredValues() = MeasuredValues{};
    windows_ = std::make_unique<WindowSet>(*dm, selection_);
    // The start-up shows the main window once every window exists.
    windows_->mainWindow().show();
  }
  ~TerminalFixture() {
    if (windows_ && windows_->terminalWindow().isVisible()) windows_->terminalWindow().close();
    destroyWindows();
  }

  MainWindow& mainWindow() { return windows_->mainWindow(); }
  TerminalWindow& terminal() { return windows_->terminalWindow(); }
  Selection& selection() { return selection_; }
  // The windows go as at the end of the program (before the data module).
  void destroyWindows() { windows_.reset(); }

  // The instrument played by the test on a pseudo-terminal mapped as Com1.
  PtyInstrument& pty() {
    if (!pty_) pty_ = std::make_unique<PtyInstrument>();
    return *pty_;
  }

  // Base Б1: 220 V, 5 A, constant 1600, meters in the given slots (in use).
  void addChosenBase(const QList<int>& slotsInUse, double constant = 1600) {
    addBase("Б1");
    dm->bases->reopen(Statements::baseByName("Б1"));
    dm->chosenBase->edit();
    dm->chosenBase->fieldByName("Pered").setReal(constant);
    dm->chosenBase->post();
    for (const int slot : slotsInUse) meters[slot] = addMeter("Б1", slot);
    dm->bases->reopen(Statements::allBases());
    mainWindow().buildBaseTree();
    chooseNode("Б1");
  }

  // A left click on the tree node with this caption (the last one found).
  void chooseNode(const QString& caption) {
    QTreeWidget* tree = widgets::child<QTreeWidget>(mainWindow(), "baseTree");
    const QList<QTreeWidgetItem*> items = tree->findItems(caption, Qt::MatchExactly | Qt::MatchRecursive);
    QVERIFY(!items.isEmpty());
    QTreeWidgetItem* item = items.last();
    if (item->parent()) item->parent()->setExpanded(true);
    const QPoint point = tree->visualItemRect(item).center();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, point);
  }

  // "Начать измерение", then wait until the terminal window is active.
  void beginMeasurement() {
    widgets::child<QAction>(mainWindow(), "beginMeasurementAction")->trigger();
    QVERIFY(QTest::qWaitForWindowActive(&terminal()));
  }

  template <typename T = QWidget>
  T* control(const char* name) {
    T* widget = terminal().findChild<T*>(QString::fromLatin1(name));
    if (!widget) qFatal("no control %s", name);
    return widget;
  }

  QString mirrorRow(int row) {
    static const char* const names[] = {"displayLine1", "displayLine2", "displayLine3"};
    return control<QLabel>(names[row])->text();
  }

  static bool waitFor(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms) QTest::qWait(10);
    return done();
  }

  QHash<int, qint64> meters;  // master.Num by slot

 private:
  Selection selection_;                 // outlives the windows, as at start-up
  std::unique_ptr<PtyInstrument> pty_;  // outlives the windows' last words
  std::unique_ptr<WindowSet> windows_;  // destroyed first (and explicitly, by the destructor)
};
