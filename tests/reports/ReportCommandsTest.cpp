#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>

#include "support/TestRegistry.h"
#include "support/Widgets.h"

#include "reports/DocxReadBack.h"
#include "reports/ProtocolFixture.h"
#include "reports/WordProtocols.h"
#include "settings/SettingsRecords.h"
#include "ui/MessageService.h"
#include "ui/Selection.h"
#include "workspace/MainWindow.h"

using MessageService::ScriptedAnswers;

namespace {

const QString kBase = QStringLiteral("Б1");
const QString kCaption = QStringLiteral("Протокол в MSWord");
const QString kProgressText = QStringLiteral("Cоздание отчета в MSWord");

// The main window over a base Б1 with meters in slots 2 (two marked points of
// three) and 6 (none marked), the report commands plugged in.
struct MainWindowFixture : ProtocolFixture {
  MainWindowFixture() {
    addBase(kBase);
    const qint64 marked = addMeter(kBase, 2, "011234");
    addMeter(kBase, 6, "015555");
    addMarkedPoints(marked, 2);
    addPoint(marked, Point{100, 100, "1", 0.3, "", 3});
    window = showMainWindow();
  }

  // A left click on the node, as the operator chooses it.
  void click(QTreeWidgetItem* node) {
    QTreeWidget* tree = widgets::child<QTreeWidget>(window, "baseTree");
    if (node->parent()) node->parent()->setExpanded(true);
    tree->scrollToItem(node);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
  }
  QTreeWidgetItem* baseNode() {
    return widgets::child<QTreeWidget>(window, "baseTree")->findItems(kBase, Qt::MatchExactly).value(0);
  }
  QTreeWidgetItem* meterNode(int slot) {
    QTreeWidgetItem* base = baseNode();
    for (int i = 0; i < base->childCount(); ++i)
      if (base->child(i)->text(0) == meterCaptions(slot)) return base->child(i);
    qFatal("no node for slot %d", slot);
  }
  void chooseNode(int slot) { click(meterNode(slot)); }

  std::unique_ptr<MainWindow> window;
};

enum class Command { Single, Group };

QAction* commandAction(MainWindow& window, Command command) {
  return command == Command::Single ? widgets::child<QAction>(window, "singleProtocolAction")
                                    : widgets::child<QAction>(window, "groupProtocolAction");
}

// Through the tool bar button, so that an error reaches the error box as in
// the program.
void pressButton(MainWindow& window, Command command) {
  QWidget* button =
      widgets::child<QToolBar>(window, "commandBar")->widgetForAction(commandAction(window, command));
  QTest::mouseClick(button, Qt::LeftButton);
}

}  // namespace

Q_DECLARE_METATYPE(Command)

class ReportCommandsTest : public QObject {
  Q_OBJECT
 private slots:
  void missingChoiceExplained_data();
  void missingChoiceExplained();
  void reportRunsFromWindow_data();
  void reportRunsFromWindow();
  void missingTemplateFromWindow();
  void failingReportShowsErrorBox();
};

void ReportCommandsTest::missingChoiceExplained_data() {
  QTest::addColumn<Command>("command");
  QTest::addColumn<int>("chosen");  // 0: nothing, -1: the base node, else a slot
  QTest::addColumn<QString>("notice");
  const QString noMeter = QStringLiteral("Для создания протокола необходимо выбрать счетчик !");
  const QString noPoint = QStringLiteral("Для создания протокола необходимо выбрать хоть одну запись !");
  for (const Command command : {Command::Single, Command::Group}) {
    const QByteArray kind = command == Command::Single ? "single: " : "group: ";
    QTest::newRow(kind + "nothing chosen") << command << 0 << noMeter;
    QTest::newRow(kind + "base chosen") << command << -1 << noMeter;
    QTest::newRow(kind + "meter without marked point") << command << 6 << noPoint;
  }
}

void ReportCommandsTest::missingChoiceExplained() {
  QFETCH(Command, command);
  QFETCH(int, chosen);
  QFETCH(QString, notice);
  MainWindowFixture fixture;
  if (chosen == -1) fixture.click(fixture.baseNode());
  if (chosen > 0) fixture.chooseNode(chosen);

  ScriptedAnswers answers;
  // The handler itself, as the disabled command cannot be pressed without a meter.
  command == Command::Single ? fixture.window->writeSingleProtocol() : fixture.window->writeGroupProtocol();

  QCOMPARE(answers.shown().size(), size_t(1));
  QCOMPARE(answers.shown()[0].kind, MessageService::Kind::Notice);
  QCOMPARE(answers.shown()[0].caption, kCaption);
  QCOMPARE(answers.shown()[0].text, notice);
  QVERIFY(fixture.savedProtocols().isEmpty());
  QCOMPARE(fixture.storedProtocolNumber(), "9");
}

void ReportCommandsTest::reportRunsFromWindow_data() {
  QTest::addColumn<Command>("command");
  QTest::newRow("single") << Command::Single;
  QTest::newRow("group") << Command::Group;
}

// The hourglass and the progress text while the report runs; afterwards the
// status bar names the saved file and the data module is back on the choice.
void ReportCommandsTest::reportRunsFromWindow() {
  QFETCH(Command, command);
  MainWindowFixture fixture;
  fixture.chooseNode(2);
  QString progressText;
  bool hourglass = false;
  auto observed = [&](std::function<QString()> report) {
    return [&, report] {
      progressText =
          widgets::child<QLabel>(fixture.window, "statusPanel" + QString::number(MainWindow::kReportPanel))
              ->text();
      hourglass = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
      fixture.window->noteSavedDocument(report());
    };
  };
  fixture.window->hooks.singleWordReport = observed([&] { return fixture.singleReport(); });
  fixture.window->hooks.groupWordReport = observed([&] { return fixture.groupReport(); });

  ScriptedAnswers answers;
  pressButton(*fixture.window, command);

  QVERIFY(answers.shown().empty());
  QCOMPARE(progressText, kProgressText);
  QCOMPARE(progressText.at(0), QLatin1Char('C'));  // Latin
  QVERIFY(hourglass);
  QCOMPARE(QApplication::overrideCursor(), nullptr);
  QCOMPARE(fixture.savedProtocols().size(), 1);
  const QString saved = fixture.nativePath("protocols/" + fixture.savedProtocols().first());
  QCOMPARE(widgets::child<QLabel>(fixture.window, "statusPanel" + QString::number(MainWindow::kReportPanel))
               ->text(),
           "Протокол сохранён: " + saved);
  QVERIFY(readDocx(saved).allText().contains("011234"));
  QCOMPARE(fixture.storedProtocolNumber(), "10");
  // The choice holds again: the chosen meter, its points, its marks.
  QCOMPARE(fixture.dm->meters->recordCount(), 1);
  QCOMPARE(fixture.dm->meters->fieldByName("NumberCh").asInteger(), 2);
  QCOMPARE(fixture.dm->testPoints->recordCount(), 3);
  QCOMPARE(fixture.selection.markedCount(), 2);
  QCOMPARE(widgets::child<QLabel>(fixture.window, "statusPanel" + QString::number(1))->text(), "Счетчик: 2");
}

void ReportCommandsTest::missingTemplateFromWindow() {
  MainWindowFixture fixture;
  fixture.chooseNode(2);
  fixture.removeTemplate("look.doc");

  ScriptedAnswers answers;
  pressButton(*fixture.window, Command::Single);

  QCOMPARE(answers.texts(), QStringList{"Не найден файл " + fixture.nativePath("sources/look.doc")});
  QCOMPARE(answers.shown()[0].kind, MessageService::Kind::Plain);
  QVERIFY(widgets::child<QLabel>(fixture.window, "statusPanel" + QString::number(MainWindow::kReportPanel))
              ->text()
              .isEmpty());
  QCOMPARE(QApplication::overrideCursor(), nullptr);
  QCOMPARE(fixture.storedProtocolNumber(), "9");
}

// A report that fails half-way (a group template without a table) ends in the
// error box; the window is left as before and nothing is saved.
void ReportCommandsTest::failingReportShowsErrorBox() {
  MainWindowFixture fixture;
  fixture.chooseNode(2);
  fixture.writeTemplate("Glook.doc", templateWithoutTable(ProtocolFixture::shippedTemplate("Glook.doc")));

  ScriptedAnswers answers;
  pressButton(*fixture.window, Command::Group);

  QCOMPARE(answers.shown().size(), size_t(1));
  QCOMPARE(answers.shown()[0].kind, MessageService::Kind::Error);
  QVERIFY(widgets::child<QLabel>(fixture.window, "statusPanel" + QString::number(MainWindow::kReportPanel))
              ->text()
              .isEmpty());
  QCOMPARE(QApplication::overrideCursor(), nullptr);
  QVERIFY(fixture.savedProtocols().isEmpty());
  QCOMPARE(fixture.storedProtocolNumber(), "9");
  QCOMPARE(fixture.dm->meters->fieldByName("NumberCh").asInteger(), 2);
}

VT3417_REGISTER_TEST(ReportCommandsTest)
#include "ReportCommandsTest.moc"
