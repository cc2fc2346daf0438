#pragma once

#include <functional>

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QLabel>
#include <QTest>
#include <QTreeWidget>

#include "../database/DatabaseFixture.h"
#include "PtyInstrument.h"
#include "database/Statements.h"
#include "link/Unit3417.h"
#include "settings/SettingsRecords.h"
#include "shell/Windows.h"
#include "workspace/Selection.h"
#include "workspace/UExper.h"

// The program's windows on a fresh program directory and database: the main
// window and the terminal window as the program creates them.
struct TerminalFixture : DatabaseFixture {
  TerminalFixture() {
    DM1 = dm.get();
    Config = ProgramConfig{};
    UseCom2 = false;
    ProgramMeasuredValues() = MeasuredValues{};
    CreateWindows();
  }
  ~TerminalFixture() {
    if (Form1 && Form1->isVisible()) Form1->close();
    DestroyWindows();
    DM1 = nullptr;
  }

  // The instrument played by the test on a pseudo-terminal mapped as Com1.
  PtyInstrument& pty() {
    if (!pty_) pty_ = std::make_unique<PtyInstrument>();
    return *pty_;
  }

  // Base Б1: 220 V, 5 A, constant 1600, meters in the given slots (in use).
  void addChosenBase(const QList<int>& slotsInUse, double constant = 1600) {
    addBase("Б1");
    dm->QBase->reopen(Statements::baseByName("Б1"));
    dm->TBase->edit();
    dm->TBase->fieldByName("Pered").setReal(constant);
    dm->TBase->post();
    for (const int slot : slotsInUse) meters[slot] = addMeter("Б1", slot);
    dm->QBase->reopen(Statements::allBases());
    Form2->BuildBaseTree();
    chooseNode("Б1");
  }

  // A left click on the tree node with this caption (the last one found).
  void chooseNode(const QString& caption) {
    QTreeWidget* tree = Form2->TreeView1();
    const QList<QTreeWidgetItem*> items = tree->findItems(caption, Qt::MatchExactly | Qt::MatchRecursive);
    QVERIFY(!items.isEmpty());
    QTreeWidgetItem* item = items.last();
    if (item->parent()) item->parent()->setExpanded(true);
    const QPoint point = tree->visualItemRect(item).center();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, point);
  }

  // "Начать измерение", then wait until the terminal window is active.
  void beginMeasurement() {
    Form2->BeginTest()->trigger();
    QVERIFY(QTest::qWaitForWindowActive(Form1));
  }

  template <typename T = QWidget>
  static T* control(const char* name) {
    T* widget = Form1->findChild<T*>(QString::fromLatin1(name));
    if (!widget) qFatal("no control %s", name);
    return widget;
  }

  static QString mirrorRow(int row) {
    static const char* const names[] = {"Lstr1", "Lstr2", "Lstr3"};
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
  std::unique_ptr<PtyInstrument> pty_;  // outlives the windows' last words
};
