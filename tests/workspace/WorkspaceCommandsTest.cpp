#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include <QTreeWidget>
#include "support/Keyboard.h"
#include "support/Widgets.h"

#include "WorkspaceFixture.h"
#include "support/TestRegistry.h"

#include "app/Windows.h"
#include "bases/BaseEditor.h"
#include "bases/BaseNameDialog.h"
#include "database/DataModule.h"
#include "reports/DesktopOpen.h"
#include "settings/SettingsRecords.h"
#include "ui/DatasetGrid.h"
#include "ui/MessageService.h"
#include "ui/Selection.h"
#include "workspace/MainWindow.h"

using MessageService::Answer;

class WorkspaceCommandsTest : public QObject {
  Q_OBJECT
 private slots:
  void clearBaseAsksAndKeepsMeters_data();
  void clearBaseAsksAndKeepsMeters();
  void deleteBaseFromMeterNode();
  void baseNameWithQuotes();
  void measurementBlocksBaseCommands();
  void reportNoticesWithoutChoice_data();
  void reportNoticesWithoutChoice();
  void reportRunsHookAndRestoresSelection();
  void archiveNoticeWithoutMarks();
  void portChoiceSurvivesRestart();
  void newBaseThroughDialogAndEditor();
  void editorOpensOnlyForAChosenBase();
  void dialogsDisableTheMainWindow_data();
  void dialogsDisableTheMainWindow();
  void exitClosesTheWindow();
  void protocolsFolderNeedsADesktop();
};

void WorkspaceCommandsTest::clearBaseAsksAndKeepsMeters_data() {
  QTest::addColumn<Answer>("answer");
  QTest::addColumn<int>("pointsLeft");
  QTest::newRow("yes") << Answer::Yes << 1;
  QTest::newRow("no") << Answer::No << 6;
}

void WorkspaceCommandsTest::clearBaseAsksAndKeepsMeters() {
  QFETCH(Answer, answer);
  QFETCH(int, pointsLeft);
  WorkspaceFixture fixture;
  fixture.rows().addBase(QStringLiteral("Б1"));
  fixture.rows().addBase(QStringLiteral("Б2"));
  const qint64 meter1 = fixture.rows().addMeter(QStringLiteral("Б1"), meterIn(1));
  const qint64 unused = fixture.rows().addMeter(QStringLiteral("Б1"), meterIn(2, false));
  const qint64 other = fixture.rows().addMeter(QStringLiteral("Б2"), meterIn(1));
  for (qint64 meter : {meter1, meter1, meter1, unused, unused, other})
    fixture.rows().addPoint(meter, pointAt(100));
  MainWindow* form = fixture.openWindow();
  fixture.leftClick(QStringLiteral("Б1/1"));

  MessageService::ScriptedAnswers answers({answer});
  widgets::child<QAction>(form, "clearBaseAction")->trigger();
  QCOMPARE(answers.texts(), QStringList{"Вы действительно хотите удалить все данные из базы - Б1 ?"});
  QCOMPARE(answers.shown().front().caption, QStringLiteral("Очистка базы счетчиков"));
  QCOMPARE(answers.shown().front().kind, MessageService::Kind::Confirmation);
  QCOMPARE(fixture.column(QStringLiteral("select count(*) from slave")).value(0).toInt(), pointsLeft);
  QCOMPARE(fixture.column(QStringLiteral("select count(*) from master")).value(0).toInt(), 3);
  QCOMPARE(fixture.treeOutline(), (QStringList{"База счетчиков", "Б1", "  Счетчик 1", "Б2", "  Счетчик 1"}));
  QCOMPARE(widgets::child<DatasetGrid>(form, "pointGrid")->model()->rowCount(), pointsLeft == 1 ? 0 : 3);
  QCOMPARE(fixture.selection().meterNum(), int(meter1));
}

void WorkspaceCommandsTest::deleteBaseFromMeterNode() {
  WorkspaceFixture fixture;
  fixture.rows().addBase(QStringLiteral("Б1"));
  fixture.rows().addBase(QStringLiteral("Б2"));
  const qint64 meter1 = fixture.rows().addMeter(QStringLiteral("Б1"), meterIn(1));
  fixture.rows().addMeter(QStringLiteral("Б1"), meterIn(2, false));
  const qint64 other = fixture.rows().addMeter(QStringLiteral("Б2"), meterIn(1));
  for (qint64 meter : {meter1, meter1, other}) fixture.rows().addPoint(meter, pointAt(100));
  MainWindow* form = fixture.openWindow();
  fixture.leftClick(QStringLiteral("Б1/1"));
  {
    MessageService::ScriptedAnswers answers({Answer::No});
    widgets::child<QAction>(form, "deleteBaseAction")->trigger();
    QCOMPARE(answers.texts(), QStringList{"Вы действительно хотите удалить базу - Б1 ?"});
    QCOMPARE(answers.shown().front().caption, QStringLiteral("Удаление базы счетчиков"));
    QCOMPARE(fixture.column(QStringLiteral("select count(*) from base")).value(0).toInt(), 2);
  }
  MessageService::ScriptedAnswers answers({Answer::Yes});
  widgets::child<QAction>(form, "deleteBaseAction")->trigger();
  QCOMPARE(fixture.column(QStringLiteral("select namebase from base")), QVariantList{"Б2"});
  QCOMPARE(fixture.column(QStringLiteral("select base from master")), QVariantList{"Б2"});
  QCOMPARE(fixture.column(QStringLiteral("select num from slave")), (QVariantList{other}));
  QCOMPARE(fixture.treeOutline(), (QStringList{"База счетчиков", "Б2", "  Счетчик 1"}));
  QCOMPARE(fixture.selection().baseName(), QString());
  QCOMPARE(fixture.selection().meterNum(), 0);
  QVERIFY(!fixture.dm().testPoints->isOpen());
  QCOMPARE(widgets::child<DatasetGrid>(form, "pointGrid")->model()->rowCount(), 0);
  QCOMPARE(fixture.enabledCommands(), (QStringList{kCreate, kBegin, kSeeArchive}));
  // Nothing chosen: the command does nothing and asks nothing.
  widgets::child<QAction>(form, "deleteBaseAction")->setEnabled(true);
  widgets::child<QAction>(form, "deleteBaseAction")->trigger();
  QCOMPARE(answers.shown().size(), size_t(1));
}

void WorkspaceCommandsTest::baseNameWithQuotes() {
  WorkspaceFixture fixture;
  const QString name = QStringLiteral("\"ЦЕХ\" 'A' 1");
  fixture.rows().addBase(name);
  const qint64 meter = fixture.rows().addMeter(name, meterIn(4));
  fixture.rows().addPoint(meter, pointAt(100, QStringLiteral("R")));
  MainWindow* form = fixture.openWindow();
  fixture.leftClick(name + QStringLiteral("/4"));
  QCOMPARE(fixture.selection().meterNum(), int(meter));
  QCOMPARE(fixture.selection().markedCount(), 1);
  MessageService::ScriptedAnswers answers({Answer::Yes});
  widgets::child<QAction>(form, "clearBaseAction")->trigger();
  QCOMPARE(fixture.column(QStringLiteral("select count(*) from slave")).value(0).toInt(), 0);
}

void WorkspaceCommandsTest::measurementBlocksBaseCommands() {
  WorkspaceFixture fixture;
  fixture.rows().addBase(QStringLiteral("Б1"));
  fixture.rows().addMeter(QStringLiteral("Б1"), meterIn(1));
  MainWindow* form = fixture.openWindow();
  fixture.leftClick(QStringLiteral("Б1/1"));
  form->disableBaseActions();
  QVERIFY(!fixture.selection().actionsAllowed());
  QCOMPARE(fixture.enabledCommands(), (QStringList{kClear, kBegin}));
  fixture.leftClick(QStringLiteral("Б1/1"));
  QCOMPARE(fixture.enabledCommands(), (QStringList{kClear, kBegin}));
  form->enableBaseActions();
  QVERIFY(fixture.selection().actionsAllowed());
  form->showSelection();
  QCOMPARE(fixture.enabledCommands().size(), 9);
}

void WorkspaceCommandsTest::reportNoticesWithoutChoice_data() {
  QTest::addColumn<QString>("node");
  QTest::addColumn<QString>("notice");
  QTest::newRow("no meter") << "Б1"
                            << "Для создания протокола необходимо выбрать счетчик !";
  QTest::newRow("no mark") << "Б1/1"
                           << "Для создания протокола необходимо выбрать хоть одну запись !";
}

void WorkspaceCommandsTest::reportNoticesWithoutChoice() {
  QFETCH(QString, node);
  QFETCH(QString, notice);
  WorkspaceFixture fixture;
  fixture.rows().addBase(QStringLiteral("Б1"));
  fixture.rows().addPoint(fixture.rows().addMeter(QStringLiteral("Б1"), meterIn(1)), pointAt(100));
  MainWindow* form = fixture.openWindow();
  int reports = 0;
  form->hooks.singleWordReport = [&reports] { ++reports; };
  form->hooks.groupWordReport = [&reports] { ++reports; };
  fixture.leftClick(node);
  MessageService::ScriptedAnswers answers;
  form->writeSingleProtocol();
  form->writeGroupProtocol();
  QCOMPARE(answers.texts(), (QStringList{notice, notice}));
  QCOMPARE(answers.shown().front().caption, QStringLiteral("Протокол в MSWord"));
  QCOMPARE(answers.shown().front().kind, MessageService::Kind::Notice);
  QCOMPARE(reports, 0);
}

void WorkspaceCommandsTest::reportRunsHookAndRestoresSelection() {
  WorkspaceFixture fixture;
  fixture.rows().addBase(QStringLiteral("Б1"));
  const qint64 meter1 = fixture.rows().addMeter(QStringLiteral("Б1"), meterIn(1));
  const qint64 meter2 = fixture.rows().addMeter(QStringLiteral("Б1"), meterIn(2));
  fixture.rows().addPoint(meter1, pointAt(100, QStringLiteral("R")));
  MainWindow* form = fixture.openWindow();
  fixture.leftClick(QStringLiteral("Б1/1"));
  QString statusDuringReport;
  bool busyCursor = false;
  // A report that leaves the meter query elsewhere, as the group report does.
  form->hooks.groupWordReport = [&] {
    statusDuringReport =
        widgets::child<QLabel>(form, "statusPanel" + QString::number(MainWindow::kReportPanel))->text();
    busyCursor = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    fixture.dm().meters->reopen(Statements::metersOfBaseInUse(QStringLiteral("Б1"), true));
    fixture.dm().meters->last();
  };
  widgets::child<QAction>(form, "groupProtocolAction")->trigger();
  QCOMPARE(statusDuringReport, QStringLiteral("Cоздание отчета в MSWord"));
  QCOMPARE(statusDuringReport.at(0), QLatin1Char('C'));
  QVERIFY(busyCursor);
  QCOMPARE(widgets::child<QLabel>(form, "statusPanel" + QString::number(MainWindow::kReportPanel))->text(),
           QString());
  QVERIFY(!QApplication::overrideCursor());
  QCOMPARE(fixture.dm().chosenMeter->fieldByName(QStringLiteral("Num")).asInteger(), meter1);
  Q_UNUSED(meter2);

  // A failing report still gives the cursor back.
  form->hooks.singleWordReport = [] { throw std::runtime_error("Word failed"); };
  QVERIFY_THROWS_EXCEPTION(std::runtime_error, form->writeSingleProtocol());
  QVERIFY(!QApplication::overrideCursor());
  QCOMPARE(widgets::child<QLabel>(form, "statusPanel" + QString::number(MainWindow::kReportPanel))->text(),
           QString());
}

void WorkspaceCommandsTest::archiveNoticeWithoutMarks() {
  WorkspaceFixture fixture;
  fixture.rows().addBase(QStringLiteral("Б1"));
  fixture.rows().addPoint(fixture.rows().addMeter(QStringLiteral("Б1"), meterIn(1)), pointAt(100));
  MainWindow* form = fixture.openWindow();
  bool archived = false;
  form->hooks.addToArchive = [&archived] { archived = true; };
  fixture.leftClick(QStringLiteral("Б1/1"));
  MessageService::ScriptedAnswers answers;
  widgets::child<QAction>(form, "addToArchiveAction")->trigger();
  QCOMPARE(answers.texts(), QStringList{"Для передачи данных в архив необходимо выбрать хоть одну запись !"});
  QCOMPARE(answers.shown().front().caption, QStringLiteral("Передача данных а архив"));
  QVERIFY(!archived);
  fixture.clickCell(0, QStringLiteral("Rep"));
  widgets::child<QAction>(form, "addToArchiveAction")->trigger();
  QVERIFY(archived);
}

void WorkspaceCommandsTest::portChoiceSurvivesRestart() {
  WorkspaceFixture fixture;
  MainWindow* form = fixture.openWindow();
  QVERIFY(widgets::child<QAction>(form, "com1Action")->isChecked());
  QVERIFY(!widgets::child<QAction>(form, "com2Action")->isChecked());
  QVERIFY(!fixture.selection().useCom2());
  // A value stored meanwhile by another window survives the port choice.
  loadProgramConfig();
  Config.ProtocolNumber = QStringLiteral("117");
  saveProgramConfig();
  Config = ProgramConfig();

  widgets::child<QAction>(form, "com2Action")->trigger();
  QVERIFY(fixture.selection().useCom2());
  QVERIFY(widgets::child<QAction>(form, "com2Action")->isChecked());
  QVERIFY(!widgets::child<QAction>(form, "com1Action")->isChecked());

  form = fixture.restart();
  fixture.selection().setUseCom2(false);
  Config = ProgramConfig();
  form->applyPortChoice();
  QVERIFY(widgets::child<QAction>(form, "com2Action")->isChecked());
  QVERIFY(!widgets::child<QAction>(form, "com1Action")->isChecked());
  QVERIFY(fixture.selection().useCom2());
  QCOMPARE(Config.ProtocolNumber, QStringLiteral("117"));

  widgets::child<QAction>(form, "com1Action")->trigger();
  QVERIFY(!fixture.selection().useCom2());
  loadProgramConfig();
  QCOMPARE(Config.ComPort, quint8(0));
}

void WorkspaceCommandsTest::newBaseThroughDialogAndEditor() {
  WorkspaceFixture fixture;
  fixture.createDialogs();
  MainWindow* form = fixture.openWindow();
  widgets::child<QAction>(form, "createBaseAction")->trigger();
  QVERIFY(fixture.baseNameDialog().isVisible());
  QVERIFY(!form->isEnabled());
  auto* name = fixture.baseNameDialog().findChild<QLineEdit*>(QStringLiteral("nameEdit"));
  QVERIFY(name);
  QVERIFY(keyboard::typeInto(name, QStringLiteral("б7")));
  keyboard::press(Qt::Key_Return);
  QVERIFY(fixture.baseEditor().isVisible());
  QVERIFY(!form->isEnabled());
  // The tree follows once the editor closes, with nothing chosen.
  fixture.baseEditor().close();
  QVERIFY(form->isEnabled());
  QCOMPARE(fixture.treeOutline(), (QStringList{"База счетчиков", "Б7"}));
  QCOMPARE(fixture.selection().baseName(), QString());
  QCOMPARE(fixture.enabledCommands(), (QStringList{kCreate, kBegin, kSeeArchive}));
}

void WorkspaceCommandsTest::editorOpensOnlyForAChosenBase() {
  WorkspaceFixture fixture;
  fixture.createDialogs();
  fixture.rows().addBase(QStringLiteral("Б1"));
  fixture.rows().addMeter(QStringLiteral("Б1"), meterIn(2));
  MainWindow* form = fixture.openWindow();
  form->editBase();
  QVERIFY(!fixture.baseEditor().isVisible());
  QVERIFY(form->isEnabled());
  fixture.leftClick(QStringLiteral("Б1/2"));
  widgets::child<QAction>(form, "editBaseAction")->trigger();
  QVERIFY(fixture.baseEditor().isVisible());
  QVERIFY(!form->isEnabled());
  // A close request to the main window meanwhile (the window manager's) is refused.
  QVERIFY(!form->close());
  QVERIFY(form->isVisible());
  // The editor empties the grid while it is open.
  QVERIFY(!fixture.dm().testPoints->isOpen());
  fixture.baseEditor().close();
  QVERIFY(form->isEnabled());
  QCOMPARE(fixture.selection().meterNum(), 0);
  QCOMPARE(fixture.treeOutline(), (QStringList{"База счетчиков", "Б1", "  Счетчик 2"}));
}

void WorkspaceCommandsTest::dialogsDisableTheMainWindow_data() {
  QTest::addColumn<QString>("command");
  QTest::addColumn<QString>("dialog");
  QTest::newRow("protocol number") << "protocolNumberAction"
                                   << "ProtocolNumberDialog";
  QTest::newRow("installation") << "installationAction"
                                << "InstallationDialog";
  QTest::newRow("about") << "aboutAction"
                         << "AboutDialog";
}

void WorkspaceCommandsTest::dialogsDisableTheMainWindow() {
  QFETCH(QString, command);
  QFETCH(QString, dialog);
  WorkspaceFixture fixture;
  fixture.createDialogs();
  MainWindow* form = fixture.openWindow();
  form->findChild<QAction*>(command)->trigger();
  QWidget* window = nullptr;
  for (QWidget* shown : QApplication::topLevelWidgets())
    if (shown->isVisible() && shown->inherits(qPrintable(dialog))) window = shown;
  QVERIFY(window);
  QVERIFY(!form->isEnabled());
  QVERIFY(!form->close());  // refused while the dialog is open
  QVERIFY(form->isVisible() && window->isVisible());
  window->close();
  QVERIFY(form->isEnabled());
  QVERIFY(form->close());  // once enabled, the main window closes as ever
  QVERIFY(!form->isVisible());
}

void WorkspaceCommandsTest::exitClosesTheWindow() {
  WorkspaceFixture fixture;
  MainWindow* form = fixture.openWindow();
  QCOMPARE(widgets::child<QAction>(form, "exitAction")->text(), QStringLiteral("Выход"));
  widgets::child<QAction>(form, "exitAction")->trigger();
  QVERIFY(!form->isVisible());
  QVERIFY(QFile::exists(fixture.filePath(QStringLiteral("sources/mform.res"))));
}

void WorkspaceCommandsTest::protocolsFolderNeedsADesktop() {
  WorkspaceFixture fixture;
  MainWindow* form = fixture.openWindow();
  QAction* open = widgets::child<QAction>(form, "openProtocolsFolderAction");
  QCOMPARE(open->text(), QStringLiteral("Открыть папку протоколов"));
  auto* service = form->findChild<QMenu*>(QStringLiteral("serviceMenu"));
  QVERIFY(service && service->actions().contains(open));
  // Under a real display the folder would really be shown in a file manager.
  if (desktopSessionAvailable()) QSKIP("a desktop session is there: offscreen only");
  // Offscreen there is no file manager to hand the folder to.
  QVERIFY(!open->isEnabled());
  // Run anyway (a shortcut, a script), it makes the folder and says it could not show it.
  MessageService::ScriptedAnswers answers;
  form->openProtocolsFolder();
  QVERIFY(QFileInfo(fixture.filePath(QStringLiteral("protocols"))).isDir());
  QCOMPARE(answers.shown().size(), size_t(1));
  QCOMPARE(answers.shown()[0].caption, QStringLiteral("Папка протоколов"));
}

VT3417_REGISTER_TEST(WorkspaceCommandsTest)
#include "WorkspaceCommandsTest.moc"
