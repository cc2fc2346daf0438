#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

#include "WorkspaceFixture.h"
#include "support/TestRegistry.h"

#include "bases/OptionsForm.h"
#include "bases/UNameBase.h"
#include "database/UDM.h"
#include "settings/SettingsRecords.h"
#include "shell/MessageService.h"
#include "shell/Windows.h"
#include "workspace/DBGrid.h"
#include "workspace/Selection.h"
#include "workspace/UExper.h"

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
  const qint64 meter1 = fixture.rows().addMeter(QStringLiteral("Б1"), MeterIn(1));
  const qint64 unused = fixture.rows().addMeter(QStringLiteral("Б1"), MeterIn(2, false));
  const qint64 other = fixture.rows().addMeter(QStringLiteral("Б2"), MeterIn(1));
  for (qint64 meter : {meter1, meter1, meter1, unused, unused, other})
    fixture.rows().addPoint(meter, PointAt(100));
  TForm2* form = fixture.openWindow();
  fixture.leftClick(QStringLiteral("Б1/1"));

  MessageService::ScriptedAnswers answers({answer});
  form->ClearBase()->trigger();
  QCOMPARE(answers.texts(), QStringList{"Вы действительно хотите удалить все данные из базы - Б1 ?"});
  QCOMPARE(answers.shown().front().caption, QStringLiteral("Очистка базы счетчиков"));
  QCOMPARE(answers.shown().front().kind, MessageService::Kind::Confirmation);
  QCOMPARE(fixture.column(QStringLiteral("select count(*) from slave")).value(0).toInt(), pointsLeft);
  QCOMPARE(fixture.column(QStringLiteral("select count(*) from master")).value(0).toInt(), 3);
  QCOMPARE(fixture.treeOutline(), (QStringList{"База счетчиков", "Б1", "  Счетчик 1", "Б2", "  Счетчик 1"}));
  QCOMPARE(form->DBGrid1()->model()->rowCount(), pointsLeft == 1 ? 0 : 3);
  QCOMPARE(ChosenMeterNum, int(meter1));
}

void WorkspaceCommandsTest::deleteBaseFromMeterNode() {
  WorkspaceFixture fixture;
  fixture.rows().addBase(QStringLiteral("Б1"));
  fixture.rows().addBase(QStringLiteral("Б2"));
  const qint64 meter1 = fixture.rows().addMeter(QStringLiteral("Б1"), MeterIn(1));
  fixture.rows().addMeter(QStringLiteral("Б1"), MeterIn(2, false));
  const qint64 other = fixture.rows().addMeter(QStringLiteral("Б2"), MeterIn(1));
  for (qint64 meter : {meter1, meter1, other}) fixture.rows().addPoint(meter, PointAt(100));
  TForm2* form = fixture.openWindow();
  fixture.leftClick(QStringLiteral("Б1/1"));
  {
    MessageService::ScriptedAnswers answers({Answer::No});
    form->DELBase()->trigger();
    QCOMPARE(answers.texts(), QStringList{"Вы действительно хотите удалить базу - Б1 ?"});
    QCOMPARE(answers.shown().front().caption, QStringLiteral("Удаление базы счетчиков"));
    QCOMPARE(fixture.column(QStringLiteral("select count(*) from base")).value(0).toInt(), 2);
  }
  MessageService::ScriptedAnswers answers({Answer::Yes});
  form->DELBase()->trigger();
  QCOMPARE(fixture.column(QStringLiteral("select namebase from base")), QVariantList{"Б2"});
  QCOMPARE(fixture.column(QStringLiteral("select base from master")), QVariantList{"Б2"});
  QCOMPARE(fixture.column(QStringLiteral("select num from slave")), (QVariantList{other}));
  QCOMPARE(fixture.treeOutline(), (QStringList{"База счетчиков", "Б2", "  Счетчик 1"}));
  QCOMPARE(ChosenBaseName, QString());
  QCOMPARE(ChosenMeterNum, 0);
  QVERIFY(!DM1->TSlave->isOpen());
  QCOMPARE(form->DBGrid1()->model()->rowCount(), 0);
  QCOMPARE(fixture.enabledCommands(), (QStringList{kCreate, kBegin, kSeeArchive}));
  // Nothing chosen: the command does nothing and asks nothing.
  form->DELBase()->setEnabled(true);
  form->DELBase()->trigger();
  QCOMPARE(answers.shown().size(), size_t(1));
}

void WorkspaceCommandsTest::baseNameWithQuotes() {
  WorkspaceFixture fixture;
  const QString name = QStringLiteral("\"ЦЕХ\" 'A' 1");
  fixture.rows().addBase(name);
  const qint64 meter = fixture.rows().addMeter(name, MeterIn(4));
  fixture.rows().addPoint(meter, PointAt(100, QStringLiteral("R")));
  TForm2* form = fixture.openWindow();
  fixture.leftClick(name + QStringLiteral("/4"));
  QCOMPARE(ChosenMeterNum, int(meter));
  QCOMPARE(MarkedPointCount, 1);
  MessageService::ScriptedAnswers answers({Answer::Yes});
  form->ClearBase()->trigger();
  QCOMPARE(fixture.column(QStringLiteral("select count(*) from slave")).value(0).toInt(), 0);
}

void WorkspaceCommandsTest::measurementBlocksBaseCommands() {
  WorkspaceFixture fixture;
  fixture.rows().addBase(QStringLiteral("Б1"));
  fixture.rows().addMeter(QStringLiteral("Б1"), MeterIn(1));
  TForm2* form = fixture.openWindow();
  fixture.leftClick(QStringLiteral("Б1/1"));
  form->DisableBaseActions();
  QVERIFY(!ActionsAllowed);
  QCOMPARE(fixture.enabledCommands(), (QStringList{kClear, kBegin}));
  fixture.leftClick(QStringLiteral("Б1/1"));
  QCOMPARE(fixture.enabledCommands(), (QStringList{kClear, kBegin}));
  form->EnableBaseActions();
  QVERIFY(ActionsAllowed);
  form->ShowSelection();
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
  fixture.rows().addPoint(fixture.rows().addMeter(QStringLiteral("Б1"), MeterIn(1)), PointAt(100));
  TForm2* form = fixture.openWindow();
  int reports = 0;
  form->Hooks.SingleWordReport = [&reports] { ++reports; };
  form->Hooks.GroupWordReport = [&reports] { ++reports; };
  fixture.leftClick(node);
  MessageService::ScriptedAnswers answers;
  form->ReportBaseExecute();
  form->GReportBaseExecute();
  QCOMPARE(answers.texts(), (QStringList{notice, notice}));
  QCOMPARE(answers.shown().front().caption, QStringLiteral("Протокол в MSWord"));
  QCOMPARE(answers.shown().front().kind, MessageService::Kind::Notice);
  QCOMPARE(reports, 0);
}

void WorkspaceCommandsTest::reportRunsHookAndRestoresSelection() {
  WorkspaceFixture fixture;
  fixture.rows().addBase(QStringLiteral("Б1"));
  const qint64 meter1 = fixture.rows().addMeter(QStringLiteral("Б1"), MeterIn(1));
  const qint64 meter2 = fixture.rows().addMeter(QStringLiteral("Б1"), MeterIn(2));
  fixture.rows().addPoint(meter1, PointAt(100, QStringLiteral("R")));
  TForm2* form = fixture.openWindow();
  fixture.leftClick(QStringLiteral("Б1/1"));
  QString statusDuringReport;
  bool busyCursor = false;
  // A report that leaves the meter query elsewhere, as the group report does.
  form->Hooks.GroupWordReport = [&] {
    statusDuringReport = form->StatusPanel(2)->text();
    busyCursor = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    DM1->QMaster->reopen(Statements::metersOfBaseInUse(QStringLiteral("Б1"), true));
    DM1->QMaster->last();
  };
  form->GReportBase()->trigger();
  QCOMPARE(statusDuringReport, QStringLiteral("Cоздание отчета в MSWord"));
  QCOMPARE(statusDuringReport.at(0), QLatin1Char('C'));
  QVERIFY(busyCursor);
  QCOMPARE(form->StatusPanel(2)->text(), QString());
  QVERIFY(!QApplication::overrideCursor());
  QCOMPARE(DM1->TMaster->fieldByName(QStringLiteral("Num")).asInteger(), meter1);
  Q_UNUSED(meter2);

  // A failing report still gives the cursor back.
  form->Hooks.SingleWordReport = [] { throw std::runtime_error("Word failed"); };
  QVERIFY_THROWS_EXCEPTION(std::runtime_error, form->ReportBaseExecute());
  QVERIFY(!QApplication::overrideCursor());
  QCOMPARE(form->StatusPanel(2)->text(), QString());
}

void WorkspaceCommandsTest::archiveNoticeWithoutMarks() {
  WorkspaceFixture fixture;
  fixture.rows().addBase(QStringLiteral("Б1"));
  fixture.rows().addPoint(fixture.rows().addMeter(QStringLiteral("Б1"), MeterIn(1)), PointAt(100));
  TForm2* form = fixture.openWindow();
  bool archived = false;
  form->Hooks.AddToArchive = [&archived] { archived = true; };
  fixture.leftClick(QStringLiteral("Б1/1"));
  MessageService::ScriptedAnswers answers;
  form->AAddArhiv()->trigger();
  QCOMPARE(answers.texts(), QStringList{"Для передачи данных в архив необходимо выбрать хоть одну запись !"});
  QCOMPARE(answers.shown().front().caption, QStringLiteral("Передача данных а архив"));
  QVERIFY(!archived);
  fixture.clickCell(0, QStringLiteral("Rep"));
  form->AAddArhiv()->trigger();
  QVERIFY(archived);
}

void WorkspaceCommandsTest::portChoiceSurvivesRestart() {
  WorkspaceFixture fixture;
  TForm2* form = fixture.openWindow();
  QVERIFY(form->MCOM11()->isChecked());
  QVERIFY(!form->MCOM21()->isChecked());
  QVERIFY(!UseCom2);
  // A value stored meanwhile by another window survives the port choice.
  LoadProgramConfig();
  Config.ProtocolNumber = QStringLiteral("117");
  SaveProgramConfig();
  Config = ProgramConfig();

  form->MCOM21()->trigger();
  QVERIFY(UseCom2);
  QVERIFY(form->MCOM21()->isChecked());
  QVERIFY(!form->MCOM11()->isChecked());

  form = fixture.restart();
  UseCom2 = false;
  Config = ProgramConfig();
  form->ApplyPortChoice();
  QVERIFY(form->MCOM21()->isChecked());
  QVERIFY(!form->MCOM11()->isChecked());
  QVERIFY(UseCom2);
  QCOMPARE(Config.ProtocolNumber, QStringLiteral("117"));

  form->MCOM11()->trigger();
  QVERIFY(!UseCom2);
  LoadProgramConfig();
  QCOMPARE(Config.ComPort, quint8(0));
}

void WorkspaceCommandsTest::newBaseThroughDialogAndEditor() {
  WorkspaceFixture fixture;
  fixture.createDialogs();
  TForm2* form = fixture.openWindow();
  form->ADDBase()->trigger();
  QVERIFY(FNameBase->isVisible());
  QVERIFY(!form->isEnabled());
  auto* name = FNameBase->findChild<QLineEdit*>(QStringLiteral("Edit1"));
  QVERIFY(name);
  name->setText(QStringLiteral("Б7"));
  QTest::keyClick(name, Qt::Key_Return);
  QVERIFY(ChOptions->isVisible());
  QVERIFY(!form->isEnabled());
  // The tree follows once the editor closes, with nothing chosen.
  ChOptions->close();
  QVERIFY(form->isEnabled());
  QCOMPARE(fixture.treeOutline(), (QStringList{"База счетчиков", "Б7"}));
  QCOMPARE(ChosenBaseName, QString());
  QCOMPARE(fixture.enabledCommands(), (QStringList{kCreate, kBegin, kSeeArchive}));
}

void WorkspaceCommandsTest::editorOpensOnlyForAChosenBase() {
  WorkspaceFixture fixture;
  fixture.createDialogs();
  fixture.rows().addBase(QStringLiteral("Б1"));
  fixture.rows().addMeter(QStringLiteral("Б1"), MeterIn(2));
  TForm2* form = fixture.openWindow();
  form->OptionsBaseExecute();
  QVERIFY(!ChOptions->isVisible());
  QVERIFY(form->isEnabled());
  fixture.leftClick(QStringLiteral("Б1/2"));
  form->OptionsBase()->trigger();
  QVERIFY(ChOptions->isVisible());
  QVERIFY(!form->isEnabled());
  // The editor empties the grid while it is open.
  QVERIFY(!DM1->TSlave->isOpen());
  ChOptions->close();
  QVERIFY(form->isEnabled());
  QCOMPARE(ChosenMeterNum, 0);
  QCOMPARE(fixture.treeOutline(), (QStringList{"База счетчиков", "Б1", "  Счетчик 2"}));
}

void WorkspaceCommandsTest::dialogsDisableTheMainWindow_data() {
  QTest::addColumn<QString>("command");
  QTest::addColumn<QString>("dialog");
  QTest::newRow("protocol number") << "N8"
                                   << "TFNumberP";
  QTest::newRow("installation") << "N15"
                                << "TFUstanovka";
  QTest::newRow("about") << "N14"
                         << "TFInformation";
}

void WorkspaceCommandsTest::dialogsDisableTheMainWindow() {
  QFETCH(QString, command);
  QFETCH(QString, dialog);
  WorkspaceFixture fixture;
  fixture.createDialogs();
  TForm2* form = fixture.openWindow();
  form->findChild<QAction*>(command)->trigger();
  QWidget* window = nullptr;
  for (QWidget* shown : QApplication::topLevelWidgets())
    if (shown->isVisible() && shown->inherits(qPrintable(dialog))) window = shown;
  QVERIFY(window);
  QVERIFY(!form->isEnabled());
  window->close();
  QVERIFY(form->isEnabled());
}

void WorkspaceCommandsTest::exitClosesTheWindow() {
  WorkspaceFixture fixture;
  TForm2* form = fixture.openWindow();
  QCOMPARE(form->N5()->text(), QStringLiteral("Выход"));
  form->N5()->trigger();
  QVERIFY(!form->isVisible());
  QVERIFY(QFile::exists(fixture.filePath(QStringLiteral("sources/mform.res"))));
}

VT3417_REGISTER_TEST(WorkspaceCommandsTest)
#include "WorkspaceCommandsTest.moc"
