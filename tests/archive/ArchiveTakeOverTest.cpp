#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include "support/TestRegistry.h"
#include "support/Widgets.h"

#include "ArchiveFixture.h"
#include "BrowserDriver.h"
#include "archive/ArchiveBrowser.h"
#include "archive/ArchiveTransfer.h"
#include "bases/BaseEditor.h"
#include "bases/SlotBox.h"
#include "database/DataModule.h"
#include "ui/DatasetGrid.h"
#include "ui/MessageService.h"
#include "ui/Selection.h"
#include "workspace/MainWindow.h"

using namespace BrowserDriver;
using MessageService::ScriptedAnswers;

namespace {

const QString kBase = QStringLiteral("Б1");

// The main window, the meter base editor and the archive browser, plugged
// together as at start-up on the fixture's data module and selection, over
// base Б1 with meters in slots 1 and 3 (slot 3 with two test points) and an
// archive with two meters of Б1 and one of Б2.
class OpenWindows {
 public:
  OpenWindows() {
    fixture.addBase(kBase);
    fixture.addBase(QStringLiteral("Б2"));
    fixture.addMeter(kBase, 1, QStringLiteral("ПЕРВЫЙ"), QStringLiteral("1"));
    slotThree = fixture.addMeter(kBase, 3, QStringLiteral("ТРЕТИЙ"), QStringLiteral("3"));
    for (int i = 0; i < 2; ++i)
      fixture.addPoint(slotThree, 100, 100, QStringLiteral("1"), 0.1, QDate(2024, 1, 1), QString());
    fixture.addArchivedMeter(QStringLiteral("АРХИВНЫЙ"), QStringLiteral("11"), 1999);
    fixture.addArchivedMeter(QStringLiteral("ВЗЯТЬ"), QStringLiteral("22"), 2003);
    fixture.addArchivedMeter(QStringLiteral("ЧУЖОЙ"), QStringLiteral("33"), 2004, QStringLiteral("Б2"));
    DataModule& dm = fixture.dm();
    Selection& selection = fixture.selection();
    mainWindow = std::make_unique<MainWindow>(dm, selection);
    editor = std::make_unique<BaseEditor>(dm, selection, mainWindow.get());
    browser = std::make_unique<ArchiveBrowser>(dm, mainWindow.get(), editor.get());
    // "Просмотр архива" and the editor's "Взять из архива>>>", wired as at start-up.
    mainWindow->hooks.openArchiveBrowser = [this] {
      showWholeArchive(fixture.dm(), *browser, mainWindow.get());
    };
    editor->openArchiveBrowser = [this] { browser->openForTakeOver(); };
    mainWindow->show();
  }

  // The editor open on Б1 with slot 3 current, the browser opened from it.
  void takeFromArchiveIntoSlotThree() {
    fixture.selection().setBaseName(kBase);
    editor->openForChosenBase(mainWindow.get());
    editor->switchSlot(3);
    editor->takeFromArchive();
  }
  QString editorText(const char* field) const {
    return editor->findChild<QLineEdit*>(QString::fromLatin1(field))->text();
  }
  int metersInSlotThree() const {
    return fixture.count(QStringLiteral("select count(*) from master where Base = ? and NumberCh = 3"),
                         {kBase});
  }

  ArchiveFixture fixture;
  qint64 slotThree = 0;
  // Made after the rows, destroyed in reverse order (the main window last).
  std::unique_ptr<MainWindow> mainWindow;
  std::unique_ptr<BaseEditor> editor;
  std::unique_ptr<ArchiveBrowser> browser;
};

void verifyDesignStates(ArchiveBrowser* browser) {
  QVERIFY(!widgets::child<QAction>(browser, "takeOverAction")->isEnabled());
  for (QAction* action : {widgets::child<QAction>(browser, "excelProtocolAction"),
                          widgets::child<QAction>(browser, "deletePointAction"),
                          widgets::child<QAction>(browser, "deleteAllPointsAction"),
                          widgets::child<QAction>(browser, "deleteMeterAction"),
                          widgets::child<QAction>(browser, "closeAction")})
    QVERIFY(action->isEnabled());
}

}  // namespace

class ArchiveTakeOverTest : public QObject {
  Q_OBJECT
 private slots:
  void openedFromTheMainWindow();
  void takeOverIntoTheEditorsCurrentSlot();
  void takeOverWithNothingListedKeepsTheSlot();
  void closingReturnsToTheEditor();
};

void ArchiveTakeOverTest::openedFromTheMainWindow() {
  OpenWindows w;
  widgets::trigger(w.mainWindow, "viewArchiveAction");
  QVERIFY(w.browser->isVisible());
  QVERIFY(!w.mainWindow->isEnabled());
  QCOMPARE(widgets::child<DatasetGrid>(w.browser, "meterGrid")->model()->rowCount(), 3);
  verifyDesignStates(w.browser.get());
  widgets::child<QAction>(w.browser, "closeAction")->trigger();
  QVERIFY(!w.browser->isVisible());
  QVERIFY(w.mainWindow->isEnabled());
}

void ArchiveTakeOverTest::takeOverIntoTheEditorsCurrentSlot() {
  OpenWindows w;
  w.takeFromArchiveIntoSlotThree();
  QVERIFY(w.browser->isVisible());
  QVERIFY(!w.editor->isEnabled());
  QCOMPARE(listedMeters(widgets::child<DatasetGrid>(w.browser, "meterGrid")),
           (QStringList{"АРХИВНЫЙ 11", "ВЗЯТЬ 22"}));
  QVERIFY(widgets::child<QAction>(w.browser, "takeOverAction")->isEnabled());
  for (QAction* action : {widgets::child<QAction>(w.browser, "excelProtocolAction"),
                          widgets::child<QAction>(w.browser, "deletePointAction"),
                          widgets::child<QAction>(w.browser, "deleteAllPointsAction"),
                          widgets::child<QAction>(w.browser, "deleteMeterAction")})
    QVERIFY(!action->isEnabled());

  clickRow(widgets::child<DatasetGrid>(w.browser, "meterGrid"), 1);
  widgets::child<QAction>(w.browser, "takeOverAction")->trigger();

  QVERIFY(!w.browser->isVisible());
  QVERIFY(w.editor->isEnabled());
  QVERIFY(!w.mainWindow->isEnabled());  // the editor is still open over it
  QCOMPARE(w.editorText("meterTypeEdit"), QStringLiteral("ВЗЯТЬ"));
  QCOMPARE(w.editorText("serialNumberEdit"), QStringLiteral("22"));
  QCOMPARE(w.editorText("yearEdit"), QStringLiteral("2003"));
  // The slot's meter and its test points are gone; the other slot stays.
  QCOMPARE(w.metersInSlotThree(), 0);
  QCOMPARE(w.fixture.count(QStringLiteral("select count(*) from slave where Num = ?"), {w.slotThree}), 0);
  QCOMPARE(w.fixture.count(QStringLiteral("select count(*) from master where Base = ?"), {kBase}), 1);
  QVERIFY(!w.editor->slotBoxes[3]->isChecked());
  QCOMPARE(w.editor->slotBoxes[3]->text(), QStringLiteral("Не используется"));
  verifyDesignStates(w.browser.get());
}

void ArchiveTakeOverTest::takeOverWithNothingListedKeepsTheSlot() {
  OpenWindows w;
  w.takeFromArchiveIntoSlotThree();
  type(widgets::child<QComboBox>(w.browser, "typeFilter"), QStringLiteral("НЕТ"));
  QCOMPARE(widgets::child<DatasetGrid>(w.browser, "meterGrid")->model()->rowCount(), 0);
  widgets::child<QAction>(w.browser, "takeOverAction")->trigger();
  QVERIFY(w.browser->isVisible());
  QCOMPARE(w.metersInSlotThree(), 1);
  QCOMPARE(w.fixture.count(QStringLiteral("select count(*) from slave where Num = ?"), {w.slotThree}), 2);
}

void ArchiveTakeOverTest::closingReturnsToTheEditor() {
  OpenWindows w;
  w.takeFromArchiveIntoSlotThree();
  widgets::child<QAction>(w.browser, "closeAction")->trigger();
  QVERIFY(w.editor->isEnabled());
  QVERIFY(!w.mainWindow->isEnabled());
  QCOMPARE(w.metersInSlotThree(), 1);
  verifyDesignStates(w.browser.get());
}

VT3417_REGISTER_TEST(ArchiveTakeOverTest)
#include "ArchiveTakeOverTest.moc"
