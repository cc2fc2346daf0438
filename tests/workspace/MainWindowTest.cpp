#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QSplitter>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>

#include "WorkspaceFixture.h"
#include "support/TestRegistry.h"

#include "database/UDM.h"
#include "workspace/DBGrid.h"
#include "workspace/Selection.h"
#include "workspace/UExper.h"

namespace {

QString Rep(int row) {
  TableDataset* points = DM1->TSlave;
  points->moveTo(row);
  return points->fieldByName(QStringLiteral("Rep")).asText();
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void actionsAsDesigned_data();
  void actionsAsDesigned();
  void emptyDatabaseOffersOnlyCreation();
  void treeListsMetersInUseBySlot();
  void choosingNodes_data();
  void choosingNodes();
  void baseWithoutMetersInUse();
  void rightPressOffersTheNodesCommands_data();
  void rightPressOffersTheNodesCommands();
  void leftClickOnEmptySpaceClearsTheChoice();
  void clickOnRecordColumnTogglesMark();
  void spaceTogglesMarkWhateverTheColumnOrder();
  void markOtherThanRIsNotCounted();
  void markAllThenClearAll();
  void renumberDropsEmptyPointsPerMeter();
  void treePaneWidthDrivesStatusPanel();
  void sampleDatabaseShowsTwoBases();
};

void MainWindowTest::actionsAsDesigned_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("caption");
  QTest::addColumn<QString>("hint");
  QTest::addColumn<QString>("shortcut");
  QTest::newRow("ADDBase") << "ADDBase" << kCreate << kCreate << "Ins";
  QTest::newRow("DELBase") << "DELBase" << kDelete << kDelete << "Del";
  QTest::newRow("ClearBase") << "ClearBase" << kClear << kClear << "Shift+Del";
  QTest::newRow("OptionsBase") << "OptionsBase" << kOptions << kOptions << "Ctrl+O";
  QTest::newRow("BeginTest") << "BeginTest" << kBegin << kBegin << "";
  QTest::newRow("ReportBase") << "ReportBase" << kReport << kReport << "Ctrl+R";
  QTest::newRow("GReportBase") << "GReportBase" << kGroupReport << kGroupReport << "Ctrl+G";
  QTest::newRow("AAddArhiv") << "AAddArhiv" << kAddArchive << QStringLiteral("Добавить данные в архив") << "";
  QTest::newRow("AseeArhive") << "AseeArhive" << kSeeArchive << kSeeArchive << "";
}

void MainWindowTest::actionsAsDesigned() {
  QFETCH(QString, name);
  QFETCH(QString, caption);
  QFETCH(QString, hint);
  QFETCH(QString, shortcut);
  WorkspaceFixture fixture;
  TForm2* form = fixture.openWindow();
  auto* action = form->findChild<QAction*>(name);
  QVERIFY(action);
  QCOMPARE(action->text(), caption);
  QCOMPARE(action->toolTip(), hint);
  QCOMPARE(action->shortcut().toString(QKeySequence::PortableText), shortcut);
  QVERIFY(!action->icon().isNull());
  QVERIFY(form->ToolBar2()->actions().contains(action));
}

void MainWindowTest::emptyDatabaseOffersOnlyCreation() {
  WorkspaceFixture fixture;
  TForm2* form = fixture.openWindow();
  QCOMPARE(form->windowTitle(), QStringLiteral("ВТ3417 Программа сбора данных"));
  QCOMPARE(fixture.treeOutline(), QStringList{QStringLiteral("База счетчиков")});
  QCOMPARE(fixture.enabledCommands(), (QStringList{kCreate, kBegin, kSeeArchive}));
  QVERIFY(!form->IsBaseSelected());

  fixture.rightPress(QString());
  QCOMPARE(fixture.shownPopupItems(), QStringList{kCreate});
  form->PM1()->close();
  fixture.rightPress(QStringLiteral(""));
  QCOMPARE(fixture.shownPopupItems(), QStringList{kCreate});
  form->PM1()->close();
  QCOMPARE(fixture.enabledCommands(), (QStringList{kCreate, kBegin, kSeeArchive}));
}

void MainWindowTest::treeListsMetersInUseBySlot() {
  WorkspaceFixture fixture;
  fixture.rows().addBase(QStringLiteral("Б1"));
  fixture.rows().addBase(QStringLiteral("Б2"));
  // Stored out of slot order; slot 3 is kept but not in use, slot 6 belongs to Б2.
  for (int slot : {5, 1, 2}) fixture.rows().addMeter(QStringLiteral("Б1"), MeterIn(slot));
  fixture.rows().addMeter(QStringLiteral("Б1"), MeterIn(3, false));
  fixture.rows().addMeter(QStringLiteral("Б2"), MeterIn(6));
  TForm2* form = fixture.openWindow();
  QCOMPARE(fixture.treeOutline(), (QStringList{"База счетчиков", "Б1", "  Счетчик 1", "  Счетчик 2",
                                               "  Счетчик 5", "Б2", "  Счетчик 6"}));
  for (int i = 0; i < form->TreeView1()->topLevelItemCount(); ++i)
    QVERIFY(!form->TreeView1()->topLevelItem(i)->isExpanded());
  QAbstractItemModelTester tester(form->TreeView1()->model(),
                                  QAbstractItemModelTester::FailureReportingMode::QtTest);

  // A rebuild shows what the database holds now.
  fixture.rows().addMeter(QStringLiteral("Б2"), MeterIn(4));
  DM1->QBase->reopen(Statements::allBases());
  form->BuildBaseTree();
  QCOMPARE(fixture.treeOutline().mid(5), (QStringList{"Б2", "  Счетчик 4", "  Счетчик 6"}));
}

void MainWindowTest::choosingNodes_data() {
  QTest::addColumn<QString>("node");
  QTest::addColumn<QString>("basePanel");
  QTest::addColumn<QString>("meterPanel");
  QTest::addColumn<bool>("meterChosen");
  QTest::addColumn<QStringList>("enabled");
  const QStringList all{kCreate, kDelete,      kClear,      kOptions,   kBegin,
                        kReport, kGroupReport, kAddArchive, kSeeArchive};
  QTest::newRow("meter 3 of Б1") << "Б1/3"
                                 << "База: Б1"
                                 << "Счетчик: 3" << true << all;
  QTest::newRow("base Б1") << "Б1"
                           << "База: Б1"
                           << "Счетчик: " << false
                           << QStringList{kCreate, kDelete, kClear, kOptions, kBegin, kSeeArchive};
  QTest::newRow("root") << ""
                        << "База: "
                        << "Счетчик: " << false << QStringList{kCreate, kBegin, kSeeArchive};
}

void MainWindowTest::choosingNodes() {
  QFETCH(QString, node);
  QFETCH(QString, basePanel);
  QFETCH(QString, meterPanel);
  QFETCH(bool, meterChosen);
  QFETCH(QStringList, enabled);
  WorkspaceFixture fixture;
  fixture.rows().addBase(QStringLiteral("Б1"));
  fixture.rows().addMeter(QStringLiteral("Б1"), MeterIn(1));
  const qint64 meter3 = fixture.rows().addMeter(QStringLiteral("Б1"), MeterIn(3));
  for (double voltage : {100.0, 80.0}) fixture.rows().addPoint(meter3, PointAt(voltage, QStringLiteral("R")));
  TForm2* form = fixture.openWindow();
  // Start from another choice so that every part of the state must change.
  fixture.leftClick(QStringLiteral("Б1/1"));

  fixture.leftClick(node);
  QCOMPARE(form->StatusPanel(0)->text(), basePanel);
  QCOMPARE(form->StatusPanel(1)->text(), meterPanel);
  QCOMPARE(ChosenMeterNum, meterChosen ? int(meter3) : 0);
  QCOMPARE(MarkedPointCount, meterChosen ? 2 : 0);
  QCOMPARE(DM1->TSlave->isOpen(), meterChosen);
  QCOMPARE(form->DBGrid1()->model()->rowCount(), meterChosen ? 2 : 0);
  QCOMPARE(fixture.enabledCommands(), enabled);
  if (meterChosen) {
    // The contract the reports and the archive rely on.
    QCOMPARE(ChosenSlot, 3);
    QCOMPARE(DM1->QMaster->recordCount(), 1);
    QCOMPARE(DM1->TMaster->fieldByName(QStringLiteral("Num")).asInteger(), meter3);
    QCOMPARE(DM1->TBase->fieldByName(QStringLiteral("NameBase")).asText(), QStringLiteral("Б1"));
    QCOMPARE(DM1->Query2->recordCount(), 2);
  }
}

void MainWindowTest::baseWithoutMetersInUse() {
  WorkspaceFixture fixture;
  fixture.rows().addBase(QStringLiteral("ПУСТАЯ"));
  fixture.rows().addMeter(QStringLiteral("ПУСТАЯ"), MeterIn(2, false));
  TForm2* form = fixture.openWindow();
  QCOMPARE(fixture.treeOutline(), (QStringList{"База счетчиков", "ПУСТАЯ"}));
  fixture.leftClick(QStringLiteral("ПУСТАЯ"));
  QCOMPARE(ChosenBaseName, QStringLiteral("ПУСТАЯ"));
  QVERIFY(form->IsBaseSelected());
  QCOMPARE(fixture.enabledCommands(), (QStringList{kCreate, kDelete, kClear, kOptions, kBegin, kSeeArchive}));
  QCOMPARE(form->DBGrid1()->model()->rowCount(), 0);
}

void MainWindowTest::rightPressOffersTheNodesCommands_data() {
  QTest::addColumn<QString>("node");
  QTest::addColumn<QStringList>("items");
  QTest::addColumn<QString>("chosenBase");
  QTest::newRow("meter") << "Б2/2" << QStringList{kCreate, kDelete, kClear, kReport, kGroupReport} << "Б2";
  QTest::newRow("base") << "Б1" << QStringList{kCreate, kDelete, kClear, kGroupReport} << "Б1";
  QTest::newRow("root") << "" << QStringList{kCreate} << "";
}

void MainWindowTest::rightPressOffersTheNodesCommands() {
  QFETCH(QString, node);
  QFETCH(QStringList, items);
  QFETCH(QString, chosenBase);
  WorkspaceFixture fixture;
  for (const char* base : {"Б1", "Б2"}) {
    fixture.rows().addBase(QString::fromUtf8(base));
    fixture.rows().addMeter(QString::fromUtf8(base), MeterIn(2));
  }
  TForm2* form = fixture.openWindow();
  fixture.leftClick(QStringLiteral("Б1/2"));  // a meter of another base was chosen before

  fixture.rightPress(node);
  QCOMPARE(fixture.shownPopupItems(), items);
  QCOMPARE(ChosenBaseName, chosenBase);
  QCOMPARE(fixture.node(node)->isSelected(), true);
  // Pop-up items follow their commands: a base without a chosen meter greys the report.
  const QList<QAction*> popupItems = form->PM1()->actions();
  QCOMPARE(popupItems[4]->isEnabled(), node.contains(QLatin1Char('/')));
  const QPoint expected = form->frameGeometry().topLeft() +
                          form->TreeView1()->visualItemRect(fixture.node(node)).center() + QPoint(10, 75);
  QCOMPARE(form->PM1()->pos(), expected);
  form->PM1()->close();
}

void MainWindowTest::leftClickOnEmptySpaceClearsTheChoice() {
  WorkspaceFixture fixture;
  fixture.rows().addBase(QStringLiteral("Б1"));
  fixture.rows().addMeter(QStringLiteral("Б1"), MeterIn(1));
  TForm2* form = fixture.openWindow();
  fixture.leftClick(QStringLiteral("Б1/1"));
  QVERIFY(ChosenMeterNum != 0);
  QTreeWidget* tree = form->TreeView1();
  tree->clearSelection();
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(5, tree->viewport()->height() - 5));
  QCOMPARE(ChosenMeterNum, 0);
  QCOMPARE(ChosenBaseName, QString());
  QVERIFY(!DM1->TSlave->isOpen());
  QCOMPARE(fixture.enabledCommands(), (QStringList{kCreate, kBegin, kSeeArchive}));
  // A key released in the tree does the same after moving the choice.
  fixture.leftClick(QStringLiteral("Б1/1"));
  QTest::keyClick(tree, Qt::Key_Up);
  QCOMPARE(ChosenMeterNum, 0);
  QCOMPARE(ChosenBaseName, QStringLiteral("Б1"));
}

void MainWindowTest::clickOnRecordColumnTogglesMark() {
  WorkspaceFixture fixture;
  fixture.rows().addBase(QStringLiteral("Б1"));
  const qint64 meter = fixture.rows().addMeter(QStringLiteral("Б1"), MeterIn(1));
  for (int i = 0; i < 3; ++i) fixture.rows().addPoint(meter, PointAt(100));
  fixture.openWindow();
  fixture.leftClick(QStringLiteral("Б1/1"));

  fixture.clickCell(1, QStringLiteral("Rep"));
  QCOMPARE(Rep(1), QStringLiteral("R"));
  QCOMPARE(MarkedPointCount, 1);
  fixture.clickCell(2, QStringLiteral("Rep"));
  QCOMPARE(MarkedPointCount, 2);
  fixture.clickCell(1, QStringLiteral("Rep"));
  QCOMPARE(Rep(1), QString());
  QCOMPARE(MarkedPointCount, 1);
  // Another column changes no mark but recounts (a mark stored elsewhere meanwhile).
  DM1->connection()->execute({QStringLiteral("update slave set rep = 'R' where num = ?"), {meter}, {}});
  fixture.clickCell(0, QStringLiteral("Opogr"));
  QCOMPARE(MarkedPointCount, 3);
  QCOMPARE(fixture.column(QStringLiteral("select count(*) from slave where rep = 'R'")).value(0).toInt(), 3);
}

void MainWindowTest::spaceTogglesMarkWhateverTheColumnOrder() {
  WorkspaceFixture fixture;
  fixture.rows().addBase(QStringLiteral("Б1"));
  const qint64 meter = fixture.rows().addMeter(QStringLiteral("Б1"), MeterIn(1));
  for (int i = 0; i < 2; ++i) fixture.rows().addPoint(meter, PointAt(100));
  TForm2* form = fixture.openWindow();
  TDBGrid* grid = form->DBGrid1();
  grid->horizontalHeader()->moveSection(grid->horizontalHeader()->visualIndex(grid->columnOfField("Rep")), 0);
  fixture.leftClick(QStringLiteral("Б1/1"));

  for (const char* field : {"Count", "Date", "KM"}) {
    fixture.clickCell(1, QString::fromLatin1(field));
    const QString before = Rep(1);
    QTest::keyClick(grid, Qt::Key_Space);
    QVERIFY2(Rep(1) != before, field);
  }
  QCOMPARE(Rep(0), QString());
  QCOMPARE(MarkedPointCount, 1);  // toggled three times
  // Other characters only recount.
  QTest::keyClick(grid, Qt::Key_A);
  QCOMPARE(Rep(1), QStringLiteral("R"));
}

void MainWindowTest::markOtherThanRIsNotCounted() {
  WorkspaceFixture fixture;
  fixture.rows().addBase(QStringLiteral("Б1"));
  const qint64 meter = fixture.rows().addMeter(QStringLiteral("Б1"), MeterIn(1));
  fixture.rows().addPoint(meter, PointAt(100, QStringLiteral("X")));
  fixture.openWindow();
  fixture.leftClick(QStringLiteral("Б1/1"));
  QCOMPARE(MarkedPointCount, 0);
  fixture.clickCell(0, QStringLiteral("Rep"));
  QCOMPARE(Rep(0), QString());
  fixture.clickCell(0, QStringLiteral("Rep"));
  QCOMPARE(Rep(0), QStringLiteral("R"));
  QCOMPARE(MarkedPointCount, 1);
}

void MainWindowTest::markAllThenClearAll() {
  WorkspaceFixture fixture;
  fixture.rows().addBase(QStringLiteral("Б1"));
  const qint64 meter1 = fixture.rows().addMeter(QStringLiteral("Б1"), MeterIn(1));
  const qint64 meter2 = fixture.rows().addMeter(QStringLiteral("Б1"), MeterIn(2));
  for (int i = 0; i < 4; ++i) fixture.rows().addPoint(meter1, PointAt(100, i == 0 ? "R" : ""));
  fixture.rows().addPoint(meter2, PointAt(100));
  TForm2* form = fixture.openWindow();
  fixture.leftClick(QStringLiteral("Б1/1"));

  QTest::mousePress(form->DBGrid1()->viewport(), Qt::RightButton);
  QVERIFY(form->ASetPop()->isEnabled());
  form->ASetPop()->trigger();
  QCOMPARE(MarkedPointCount, 4);
  // Only the chosen meter's points.
  QCOMPARE(
      fixture.column(QStringLiteral("select rep from slave where num = ?"), {meter2}).value(0).toString(),
      QString());
  form->AClearPoP()->trigger();
  QCOMPARE(MarkedPointCount, 0);
  QCOMPARE(fixture.column(QStringLiteral("select count(*) from slave where rep = 'R'")).value(0).toInt(), 0);

  // Without a chosen meter the grid's commands are greyed.
  fixture.leftClick(QStringLiteral("Б1"));
  QTest::mousePress(form->DBGrid1()->viewport(), Qt::RightButton);
  QVERIFY(!form->ASetPop()->isEnabled());
  QVERIFY(!form->AClearPoP()->isEnabled());
}

void MainWindowTest::renumberDropsEmptyPointsPerMeter() {
  WorkspaceFixture fixture;
  fixture.rows().addBase(QStringLiteral("Б1"));
  fixture.rows().addBase(QStringLiteral("Б2"));
  const qint64 meter1 = fixture.rows().addMeter(QStringLiteral("Б1"), MeterIn(1));
  const qint64 meter2 = fixture.rows().addMeter(QStringLiteral("Б1"), MeterIn(2));
  const qint64 unused = fixture.rows().addMeter(QStringLiteral("Б1"), MeterIn(3, false));
  const qint64 other = fixture.rows().addMeter(QStringLiteral("Б2"), MeterIn(1));
  for (double voltage : {100.0, 0.0, 0.0, 80.0, 0.0}) fixture.rows().addPoint(meter1, PointAt(voltage));
  for (double voltage : {0.0, 60.0, 120.0}) fixture.rows().addPoint(meter2, PointAt(voltage));
  for (qint64 meter : {unused, other}) fixture.rows().addPoint(meter, PointAt(0));
  // A missing voltage is an empty reading too.
  DM1->connection()->execute(
      {QStringLiteral("update slave set voltage = null where num = ? and voltage = 120"), {meter2}, {}});
  TForm2* form = fixture.openWindow();
  fixture.leftClick(QStringLiteral("Б1/1"));

  form->RenumberTestPoints();
  const QString numbers = QStringLiteral("select voltage, count from slave where num = ? order by n");
  QCOMPARE(fixture.column(numbers, {meter1}), (QVariantList{100.0, 80.0}));
  QCOMPARE(fixture.column(QStringLiteral("select count from slave where num = ? order by n"), {meter1}),
           (QVariantList{1, 2}));
  QCOMPARE(fixture.column(QStringLiteral("select count from slave where num = ? order by n"), {meter2}),
           (QVariantList{1}));
  QCOMPARE(fixture.column(QStringLiteral("select count(*) from slave where num in (?, ?)"), {unused, other}),
           (QVariantList{2}));
  QVERIFY(DM1->TSlave->isOpen());  // it was open before

  form->ShowSelection();
  QCOMPARE(form->DBGrid1()->model()->rowCount(), 2);
  QCOMPARE(form->DBGrid1()->model()->index(1, 0).data().toString(), QStringLiteral("2"));
}

void MainWindowTest::treePaneWidthDrivesStatusPanel() {
  WorkspaceFixture fixture;
  TForm2* form = fixture.openWindow();
  QSplitter* split = form->abcBiSplit1();
  QList<int> sizes = split->sizes();
  QCOMPARE(form->StatusPanel(0)->width(), form->abcSplitPane1()->width() - 61);
  const int before = form->StatusPanel(0)->width();
  split->setSizes({sizes[0] + 50, sizes[1] - 50});
  QCOMPARE(form->StatusPanel(0)->width(), before + 50);
}

void MainWindowTest::sampleDatabaseShowsTwoBases() {
  TempProgramDir dir;
  QVERIFY(CreateSampleDatabase(dir.filePath(QStringLiteral("base/vt3417.sqlite"))));
  QVERIFY(!CreateSampleDatabase(dir.filePath(QStringLiteral("base/vt3417.sqlite"))));
  TDM1 dataModule;
  DM1 = &dataModule;
  QVERIFY(dataModule.DataModuleCreate().isEmpty());
  {
    TForm2 form;
    QCOMPARE(form.TreeView1()->topLevelItemCount(), 3);
    QCOMPARE(form.TreeView1()->topLevelItem(1)->childCount(), 3);
    QCOMPARE(form.TreeView1()->topLevelItem(2)->childCount(), 2);
  }
  DM1 = nullptr;
}

VT3417_REGISTER_TEST(MainWindowTest)
#include "MainWindowTest.moc"
