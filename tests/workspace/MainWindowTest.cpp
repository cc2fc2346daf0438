#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QSplitter>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>

#include "DatabaseCopy.h"
#include "support/Keyboard.h"
#include "support/Widgets.h"

#include "WorkspaceFixture.h"
#include "support/TestDatabase.h"
#include "support/TestRegistry.h"

#include "database/DataModule.h"
#include "ui/DatasetGrid.h"
#include "ui/Selection.h"
#include "workspace/MainWindow.h"

namespace {

QString rep(const WorkspaceFixture& fixture, int row) {
  TableDataset* points = fixture.dm().testPoints;
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
  void treeHoldsMoreBasesThanAPageOfRows();
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
  void disabledCommandPicturesAreGreyed_data();
  void disabledCommandPicturesAreGreyed();
};

void MainWindowTest::actionsAsDesigned_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("caption");
  QTest::addColumn<QString>("hint");
  QTest::addColumn<QString>("shortcut");
  QTest::newRow("createBaseAction") << "createBaseAction" << kCreate << kCreate << "Ins";
  QTest::newRow("deleteBaseAction") << "deleteBaseAction" << kDelete << kDelete << "Del";
  QTest::newRow("clearBaseAction") << "clearBaseAction" << kClear << kClear << "Shift+Del";
  QTest::newRow("editBaseAction") << "editBaseAction" << kOptions << kOptions << "Ctrl+O";
  QTest::newRow("beginMeasurementAction") << "beginMeasurementAction" << kBegin << kBegin << "";
  QTest::newRow("singleProtocolAction") << "singleProtocolAction" << kReport << kReport << "Ctrl+R";
  QTest::newRow("groupProtocolAction") << "groupProtocolAction" << kGroupReport << kGroupReport << "Ctrl+G";
  QTest::newRow("addToArchiveAction")
      << "addToArchiveAction" << kAddArchive << QStringLiteral("Добавить данные в архив") << "";
  QTest::newRow("viewArchiveAction") << "viewArchiveAction" << kSeeArchive << kSeeArchive << "";
}

void MainWindowTest::actionsAsDesigned() {
  QFETCH(QString, name);
  QFETCH(QString, caption);
  QFETCH(QString, hint);
  QFETCH(QString, shortcut);
  WorkspaceFixture fixture;
  MainWindow* form = fixture.openWindow();
  auto* action = form->findChild<QAction*>(name);
  QVERIFY(action);
  QCOMPARE(action->text(), caption);
  QCOMPARE(action->toolTip(), hint);
  QCOMPARE(action->shortcut().toString(QKeySequence::PortableText), shortcut);
  QVERIFY(!action->icon().isNull());
  QVERIFY(widgets::child<QToolBar>(form, "commandBar")->actions().contains(action));
}

void MainWindowTest::emptyDatabaseOffersOnlyCreation() {
  WorkspaceFixture fixture;
  MainWindow* form = fixture.openWindow();
  QCOMPARE(form->windowTitle(), QStringLiteral("ВТ3417 Программа сбора данных"));
  QCOMPARE(fixture.treeOutline(), QStringList{QStringLiteral("База счетчиков")});
  QCOMPARE(fixture.enabledCommands(), (QStringList{kCreate, kBegin, kSeeArchive}));
  QVERIFY(!form->isBaseSelected());

  fixture.rightPress(QString());
  QCOMPARE(fixture.shownPopupItems(), QStringList{kCreate});
  widgets::child<QMenu>(form, "baseTreeMenu")->close();
  fixture.rightPress(QStringLiteral(""));
  QCOMPARE(fixture.shownPopupItems(), QStringList{kCreate});
  widgets::child<QMenu>(form, "baseTreeMenu")->close();
  QCOMPARE(fixture.enabledCommands(), (QStringList{kCreate, kBegin, kSeeArchive}));
}

void MainWindowTest::treeListsMetersInUseBySlot() {
  WorkspaceFixture fixture;
  fixture.rows().addBase(QStringLiteral("Б1"));
  fixture.rows().addBase(QStringLiteral("Б2"));
  // Stored out of slot order; slot 3 is kept but not in use, slot 6 belongs to Б2.
  for (int slot : {5, 1, 2}) fixture.rows().addMeter(QStringLiteral("Б1"), meterIn(slot));
  fixture.rows().addMeter(QStringLiteral("Б1"), meterIn(3, false));
  fixture.rows().addMeter(QStringLiteral("Б2"), meterIn(6));
  MainWindow* form = fixture.openWindow();
  QCOMPARE(fixture.treeOutline(), (QStringList{"База счетчиков", "Б1", "  Счетчик 1", "  Счетчик 2",
                                               "  Счетчик 5", "Б2", "  Счетчик 6"}));
  for (int i = 0; i < widgets::child<QTreeWidget>(form, "baseTree")->topLevelItemCount(); ++i)
    QVERIFY(!widgets::child<QTreeWidget>(form, "baseTree")->topLevelItem(i)->isExpanded());
  QAbstractItemModelTester tester(widgets::child<QTreeWidget>(form, "baseTree")->model(),
                                  QAbstractItemModelTester::FailureReportingMode::QtTest);

  // A rebuild shows what the database holds now.
  fixture.rows().addMeter(QStringLiteral("Б2"), meterIn(4));
  fixture.dm().bases->reopen(Statements::allBases());
  form->buildBaseTree();
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
  fixture.rows().addMeter(QStringLiteral("Б1"), meterIn(1));
  const qint64 meter3 = fixture.rows().addMeter(QStringLiteral("Б1"), meterIn(3));
  for (double voltage : {100.0, 80.0}) fixture.rows().addPoint(meter3, pointAt(voltage, QStringLiteral("R")));
  MainWindow* form = fixture.openWindow();
  // Start from another choice so that every part of the state must change.
  fixture.leftClick(QStringLiteral("Б1/1"));

  fixture.leftClick(node);
  QCOMPARE(widgets::child<QLabel>(form, "statusPanel" + QString::number(0))->text(), basePanel);
  QCOMPARE(widgets::child<QLabel>(form, "statusPanel" + QString::number(1))->text(), meterPanel);
  QCOMPARE(fixture.selection().meterNum(), meterChosen ? int(meter3) : 0);
  QCOMPARE(fixture.selection().markedCount(), meterChosen ? 2 : 0);
  QCOMPARE(fixture.dm().testPoints->isOpen(), meterChosen);
  QCOMPARE(widgets::child<DatasetGrid>(form, "pointGrid")->model()->rowCount(), meterChosen ? 2 : 0);
  QCOMPARE(fixture.enabledCommands(), enabled);
  if (meterChosen) {
    // The contract the reports and the archive rely on.
    QCOMPARE(fixture.selection().slot(), 3);
    QCOMPARE(fixture.dm().meters->recordCount(), 1);
    QCOMPARE(fixture.dm().chosenMeter->fieldByName(QStringLiteral("Num")).asInteger(), meter3);
    QCOMPARE(fixture.dm().chosenBase->fieldByName(QStringLiteral("NameBase")).asText(), QStringLiteral("Б1"));
    QCOMPARE(fixture.dm().markedPoints->recordCount(), 2);
  }
}

void MainWindowTest::baseWithoutMetersInUse() {
  WorkspaceFixture fixture;
  fixture.rows().addBase(QStringLiteral("ПУСТАЯ"));
  fixture.rows().addMeter(QStringLiteral("ПУСТАЯ"), meterIn(2, false));
  MainWindow* form = fixture.openWindow();
  QCOMPARE(fixture.treeOutline(), (QStringList{"База счетчиков", "ПУСТАЯ"}));
  fixture.leftClick(QStringLiteral("ПУСТАЯ"));
  QCOMPARE(fixture.selection().baseName(), QStringLiteral("ПУСТАЯ"));
  QVERIFY(form->isBaseSelected());
  QCOMPARE(fixture.enabledCommands(), (QStringList{kCreate, kDelete, kClear, kOptions, kBegin, kSeeArchive}));
  QCOMPARE(widgets::child<DatasetGrid>(form, "pointGrid")->model()->rowCount(), 0);
}

// More bases than a data set reads at once: the tree holds every base with
// its meters in use, down to the last one, and the last ones can be chosen.
void MainWindowTest::treeHoldsMoreBasesThanAPageOfRows() {
  WorkspaceFixture fixture;
  QStringList expected{QStringLiteral("База счетчиков")};
  {
    Connection::Transaction transaction(*fixture.dm().connection());
    for (int i = 1; i <= 600; ++i) {
      const QString base = QStringLiteral("Б%1").arg(i, 3, 10, QLatin1Char('0'));
      fixture.rows().addBase(base);
      expected << base;
      if (i % 100 == 0) continue;  // no meter in use
      fixture.rows().addMeter(base, meterIn(i % 8 + 1));
      expected << QStringLiteral("  Счетчик %1").arg(i % 8 + 1);
    }
    transaction.commit();
  }
  fixture.openWindow();
  QCOMPARE(fixture.treeOutline(), expected);
  fixture.leftClick(QStringLiteral("Б599/8"));
  QCOMPARE(fixture.selection().baseName(), QStringLiteral("Б599"));
  QCOMPARE(fixture.selection().slot(), 8);
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
    fixture.rows().addMeter(QString::fromUtf8(base), meterIn(2));
  }
  MainWindow* form = fixture.openWindow();
  fixture.leftClick(QStringLiteral("Б1/2"));  // a meter of another base was chosen before

  fixture.rightPress(node);
  QCOMPARE(fixture.shownPopupItems(), items);
  QCOMPARE(fixture.selection().baseName(), chosenBase);
  QCOMPARE(fixture.node(node)->isSelected(), true);
  // Pop-up items follow their commands: a base without a chosen meter greys the report.
  const QList<QAction*> popupItems = widgets::child<QMenu>(form, "baseTreeMenu")->actions();
  QCOMPARE(popupItems[4]->isEnabled(), node.contains(QLatin1Char('/')));
  const QPoint expected =
      form->frameGeometry().topLeft() +
      widgets::child<QTreeWidget>(form, "baseTree")->visualItemRect(fixture.node(node)).center() +
      QPoint(10, 75);
  QCOMPARE(widgets::child<QMenu>(form, "baseTreeMenu")->pos(), expected);
  widgets::child<QMenu>(form, "baseTreeMenu")->close();
}

void MainWindowTest::leftClickOnEmptySpaceClearsTheChoice() {
  WorkspaceFixture fixture;
  fixture.rows().addBase(QStringLiteral("Б1"));
  fixture.rows().addMeter(QStringLiteral("Б1"), meterIn(1));
  MainWindow* form = fixture.openWindow();
  fixture.leftClick(QStringLiteral("Б1/1"));
  QVERIFY(fixture.selection().meterNum() != 0);
  QTreeWidget* tree = widgets::child<QTreeWidget>(form, "baseTree");
  tree->clearSelection();
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(5, tree->viewport()->height() - 5));
  QCOMPARE(fixture.selection().meterNum(), 0);
  QCOMPARE(fixture.selection().baseName(), QString());
  QVERIFY(!fixture.dm().testPoints->isOpen());
  QCOMPARE(fixture.enabledCommands(), (QStringList{kCreate, kBegin, kSeeArchive}));
  // A key released in the tree does the same after moving the choice.
  fixture.leftClick(QStringLiteral("Б1/1"));
  QCOMPARE(keyboard::focusWidget(), tree);
  keyboard::press(Qt::Key_Up);
  QCOMPARE(fixture.selection().meterNum(), 0);
  QCOMPARE(fixture.selection().baseName(), QStringLiteral("Б1"));
}

void MainWindowTest::clickOnRecordColumnTogglesMark() {
  WorkspaceFixture fixture;
  fixture.rows().addBase(QStringLiteral("Б1"));
  const qint64 meter = fixture.rows().addMeter(QStringLiteral("Б1"), meterIn(1));
  for (int i = 0; i < 3; ++i) fixture.rows().addPoint(meter, pointAt(100));
  fixture.openWindow();
  fixture.leftClick(QStringLiteral("Б1/1"));

  fixture.clickCell(1, QStringLiteral("Rep"));
  QCOMPARE(rep(fixture, 1), QStringLiteral("R"));
  QCOMPARE(fixture.selection().markedCount(), 1);
  fixture.clickCell(2, QStringLiteral("Rep"));
  QCOMPARE(fixture.selection().markedCount(), 2);
  fixture.clickCell(1, QStringLiteral("Rep"));
  QCOMPARE(rep(fixture, 1), QString());
  QCOMPARE(fixture.selection().markedCount(), 1);
  // Another column changes no mark but recounts (a mark stored elsewhere meanwhile).
  fixture.dm().connection()->execute(
      {QStringLiteral("update slave set rep = 'R' where num = ?"), {meter}, {}});
  fixture.clickCell(0, QStringLiteral("Opogr"));
  QCOMPARE(fixture.selection().markedCount(), 3);
  QCOMPARE(fixture.column(QStringLiteral("select count(*) from slave where rep = 'R'")).value(0).toInt(), 3);
}

void MainWindowTest::spaceTogglesMarkWhateverTheColumnOrder() {
  WorkspaceFixture fixture;
  fixture.rows().addBase(QStringLiteral("Б1"));
  const qint64 meter = fixture.rows().addMeter(QStringLiteral("Б1"), meterIn(1));
  for (int i = 0; i < 2; ++i) fixture.rows().addPoint(meter, pointAt(100));
  MainWindow* form = fixture.openWindow();
  DatasetGrid* grid = widgets::child<DatasetGrid>(form, "pointGrid");
  grid->horizontalHeader()->moveSection(grid->horizontalHeader()->visualIndex(grid->columnOfField("Rep")), 0);
  fixture.leftClick(QStringLiteral("Б1/1"));

  for (const char* field : {"Count", "Date", "KM"}) {
    fixture.clickCell(1, QString::fromLatin1(field));
    const QString before = rep(fixture, 1);
    QCOMPARE(keyboard::focusWidget(), grid);
    keyboard::press(Qt::Key_Space);
    QVERIFY2(rep(fixture, 1) != before, field);
  }
  QCOMPARE(rep(fixture, 0), QString());
  QCOMPARE(fixture.selection().markedCount(), 1);  // toggled three times
  // Other characters only recount.
  keyboard::press(Qt::Key_A);
  QCOMPARE(rep(fixture, 1), QStringLiteral("R"));
}

void MainWindowTest::markOtherThanRIsNotCounted() {
  WorkspaceFixture fixture;
  fixture.rows().addBase(QStringLiteral("Б1"));
  const qint64 meter = fixture.rows().addMeter(QStringLiteral("Б1"), meterIn(1));
  fixture.rows().addPoint(meter, pointAt(100, QStringLiteral("X")));
  fixture.openWindow();
  fixture.leftClick(QStringLiteral("Б1/1"));
  QCOMPARE(fixture.selection().markedCount(), 0);
  fixture.clickCell(0, QStringLiteral("Rep"));
  QCOMPARE(rep(fixture, 0), QString());
  fixture.clickCell(0, QStringLiteral("Rep"));
  QCOMPARE(rep(fixture, 0), QStringLiteral("R"));
  QCOMPARE(fixture.selection().markedCount(), 1);
}

void MainWindowTest::markAllThenClearAll() {
  WorkspaceFixture fixture;
  fixture.rows().addBase(QStringLiteral("Б1"));
  const qint64 meter1 = fixture.rows().addMeter(QStringLiteral("Б1"), meterIn(1));
  const qint64 meter2 = fixture.rows().addMeter(QStringLiteral("Б1"), meterIn(2));
  for (int i = 0; i < 4; ++i) fixture.rows().addPoint(meter1, pointAt(100, i == 0 ? "R" : ""));
  fixture.rows().addPoint(meter2, pointAt(100));
  MainWindow* form = fixture.openWindow();
  fixture.leftClick(QStringLiteral("Б1/1"));

  QTest::mousePress(widgets::child<DatasetGrid>(form, "pointGrid")->viewport(), Qt::RightButton);
  QVERIFY(widgets::child<QAction>(form, "markAllAction")->isEnabled());
  widgets::child<QAction>(form, "markAllAction")->trigger();
  QCOMPARE(fixture.selection().markedCount(), 4);
  // Only the chosen meter's points.
  QCOMPARE(
      fixture.column(QStringLiteral("select rep from slave where num = ?"), {meter2}).value(0).toString(),
      QString());
  widgets::child<QAction>(form, "unmarkAllAction")->trigger();
  QCOMPARE(fixture.selection().markedCount(), 0);
  QCOMPARE(fixture.column(QStringLiteral("select count(*) from slave where rep = 'R'")).value(0).toInt(), 0);

  // Without a chosen meter the grid's commands are greyed.
  fixture.leftClick(QStringLiteral("Б1"));
  QTest::mousePress(widgets::child<DatasetGrid>(form, "pointGrid")->viewport(), Qt::RightButton);
  QVERIFY(!widgets::child<QAction>(form, "markAllAction")->isEnabled());
  QVERIFY(!widgets::child<QAction>(form, "unmarkAllAction")->isEnabled());
}

void MainWindowTest::renumberDropsEmptyPointsPerMeter() {
  WorkspaceFixture fixture;
  fixture.rows().addBase(QStringLiteral("Б1"));
  fixture.rows().addBase(QStringLiteral("Б2"));
  const qint64 meter1 = fixture.rows().addMeter(QStringLiteral("Б1"), meterIn(1));
  const qint64 meter2 = fixture.rows().addMeter(QStringLiteral("Б1"), meterIn(2));
  const qint64 unused = fixture.rows().addMeter(QStringLiteral("Б1"), meterIn(3, false));
  const qint64 other = fixture.rows().addMeter(QStringLiteral("Б2"), meterIn(1));
  for (double voltage : {100.0, 0.0, 0.0, 80.0, 0.0}) fixture.rows().addPoint(meter1, pointAt(voltage));
  for (double voltage : {0.0, 60.0, 120.0}) fixture.rows().addPoint(meter2, pointAt(voltage));
  for (qint64 meter : {unused, other}) fixture.rows().addPoint(meter, pointAt(0));
  // A missing voltage is an empty reading too.
  fixture.dm().connection()->execute(
      {QStringLiteral("update slave set voltage = null where num = ? and voltage = 120"), {meter2}, {}});
  MainWindow* form = fixture.openWindow();
  fixture.leftClick(QStringLiteral("Б1/1"));

  form->renumberTestPoints();
  const QString numbers = QStringLiteral("select voltage, count from slave where num = ? order by n");
  QCOMPARE(fixture.column(numbers, {meter1}), (QVariantList{100.0, 80.0}));
  QCOMPARE(fixture.column(QStringLiteral("select count from slave where num = ? order by n"), {meter1}),
           (QVariantList{1, 2}));
  QCOMPARE(fixture.column(QStringLiteral("select count from slave where num = ? order by n"), {meter2}),
           (QVariantList{1}));
  QCOMPARE(fixture.column(QStringLiteral("select count(*) from slave where num in (?, ?)"), {unused, other}),
           (QVariantList{2}));
  QVERIFY(fixture.dm().testPoints->isOpen());  // it was open before

  form->showSelection();
  QCOMPARE(widgets::child<DatasetGrid>(form, "pointGrid")->model()->rowCount(), 2);
  QCOMPARE(widgets::child<DatasetGrid>(form, "pointGrid")->model()->index(1, 0).data().toString(),
           QStringLiteral("2"));
}

void MainWindowTest::treePaneWidthDrivesStatusPanel() {
  WorkspaceFixture fixture;
  MainWindow* form = fixture.openWindow();
  QSplitter* split = widgets::child<QSplitter>(form, "treeSplitter");
  QList<int> sizes = split->sizes();
  QCOMPARE(widgets::child<QLabel>(form, "statusPanel" + QString::number(0))->width(),
           widgets::child<QWidget>(form, "treePane")->width() - 61);
  const int before = widgets::child<QLabel>(form, "statusPanel" + QString::number(0))->width();
  split->setSizes({sizes[0] + 50, sizes[1] - 50});
  QCOMPARE(widgets::child<QLabel>(form, "statusPanel" + QString::number(0))->width(), before + 50);
}

void MainWindowTest::sampleDatabaseShowsTwoBases() {
  TempProgramDir dir;
  QVERIFY(createSampleDatabase(dir.filePath(QStringLiteral("base/vt3417.sqlite"))));
  QVERIFY(!createSampleDatabase(dir.filePath(QStringLiteral("base/vt3417.sqlite"))));
  if (TestDatabase::usesPostgres()) {
    // The bench moved to the server: vt3417-copy-db's copy of the file.
    const auto file =
        Connection::openSqliteFile(dir.filePath(QStringLiteral("base/vt3417.sqlite")), "sample");
    const auto server = TestDatabase::openAnotherConnection("server");
    copyDatabase(*file, *server);
  }
  DataModule dataModule;
  QVERIFY(dataModule.openTables().isEmpty());
  Selection selection;
  {
    MainWindow form(dataModule, selection);
    QCOMPARE(widgets::child<QTreeWidget>(form, "baseTree")->topLevelItemCount(), 3);
    QCOMPARE(widgets::child<QTreeWidget>(form, "baseTree")->topLevelItem(1)->childCount(), 3);
    QCOMPARE(widgets::child<QTreeWidget>(form, "baseTree")->topLevelItem(2)->childCount(), 2);
  }
}

void MainWindowTest::disabledCommandPicturesAreGreyed_data() {
  QTest::addColumn<QString>("action");
  QTest::newRow("Данные счетчиков") << "editBaseAction";
  QTest::newRow("single Word protocol") << "singleProtocolAction";
  QTest::newRow("group Word protocol") << "groupProtocolAction";
  QTest::newRow("Создать базу") << "createBaseAction";
}

// The tool bar button as it is drawn: disabled, its picture turns grey.
void MainWindowTest::disabledCommandPicturesAreGreyed() {
  QFETCH(QString, action);
  WorkspaceFixture fixture;
  MainWindow* form = fixture.openWindow();
  auto* command = form->findChild<QAction*>(action);
  QVERIFY(command);
  QWidget* button = widgets::child<QToolBar>(form, "commandBar")->widgetForAction(command);
  QVERIFY(button);
  // A picture of its own for the disabled mode, whatever the style's engine
  // would derive (some draw a disabled standard icon just as the enabled one).
  QVERIFY(!command->icon().availableSizes(QIcon::Disabled).isEmpty());
  command->setEnabled(true);
  const QImage enabled = button->grab().toImage();
  command->setEnabled(false);
  const QImage disabled = button->grab().toImage();
  QCOMPARE(disabled.size(), enabled.size());
  int changed = 0;
  int coloured = 0;
  for (int y = 0; y < enabled.height(); ++y) {
    for (int x = 0; x < enabled.width(); ++x) {
      const QColor before = enabled.pixelColor(x, y);
      const QColor after = disabled.pixelColor(x, y);
      if (std::abs(before.red() - after.red()) + std::abs(before.green() - after.green()) +
              std::abs(before.blue() - after.blue()) >
          60)
        ++changed;
      if (after.hsvSaturation() > 60) ++coloured;
    }
  }
  QVERIFY2(changed >= 20, qPrintable(QStringLiteral("%1 pixels changed").arg(changed)));
  QCOMPARE(coloured, 0);
}

VT3417_REGISTER_TEST(MainWindowTest)
#include "MainWindowTest.moc"
