#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include "support/TestRegistry.h"

#include "ArchiveFixture.h"
#include "BrowserDriver.h"
#include "archive/ArchiveTransfer.h"
#include "archive/ArchiveBrowser.h"
#include "bases/BaseEditor.h"
#include "bases/SlotBox.h"
#include "database/DataModule.h"
#include "ui/MessageService.h"
#include "app/Windows.h"
#include "ui/DatasetGrid.h"
#include "ui/Selection.h"
#include "workspace/MainWindow.h"

using namespace BrowserDriver;
using MessageService::ScriptedAnswers;

namespace {

const QString kBase = QStringLiteral("Б1");

// The main window, the meter base editor and the archive browser, plugged
// together as at start-up, over base Б1 with meters in slots 1 and 3 (slot 3
// with two test points) and an archive with two meters of Б1 and one of Б2.
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
    theMainWindow = new MainWindow;
    theBaseEditor = new BaseEditor;
    theArchiveBrowser = new ArchiveBrowser;
    wireWindows();
    theMainWindow->show();
  }
  ~OpenWindows() {
    delete theArchiveBrowser;
    theArchiveBrowser = nullptr;
    delete theBaseEditor;
    theBaseEditor = nullptr;
    delete theMainWindow;
    theMainWindow = nullptr;
  }

  // The editor open on Б1 with slot 3 current, the browser opened from it.
  void takeFromArchiveIntoSlotThree() {
    ChosenBaseName = kBase;
    theBaseEditor->openForChosenBase(theMainWindow);
    theBaseEditor->switchSlot(3);
    theBaseEditor->takeFromArchive();
  }
  QString editorText(const char* field) const {
    return theBaseEditor->findChild<QLineEdit*>(QString::fromLatin1(field))->text();
  }
  int metersInSlotThree() const {
    return fixture.count(QStringLiteral("select count(*) from master where Base = ? and NumberCh = 3"),
                         {kBase});
  }

  ArchiveFixture fixture;
  qint64 slotThree = 0;
};

void verifyDesignStates(ArchiveBrowser* browser) {
  QVERIFY(!browser->takeOverAction()->isEnabled());
  for (QAction* action : {browser->excelProtocolAction(), browser->deletePointAction(), browser->deleteAllPointsAction(),
                          browser->deleteMeterAction(), browser->closeAction()})
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
  theMainWindow->viewArchiveAction()->trigger();
  QVERIFY(theArchiveBrowser->isVisible());
  QVERIFY(!theMainWindow->isEnabled());
  QCOMPARE(theArchiveBrowser->meterGrid()->model()->rowCount(), 3);
  verifyDesignStates(theArchiveBrowser);
  theArchiveBrowser->closeAction()->trigger();
  QVERIFY(!theArchiveBrowser->isVisible());
  QVERIFY(theMainWindow->isEnabled());
}

void ArchiveTakeOverTest::takeOverIntoTheEditorsCurrentSlot() {
  OpenWindows w;
  w.takeFromArchiveIntoSlotThree();
  QVERIFY(theArchiveBrowser->isVisible());
  QVERIFY(!theBaseEditor->isEnabled());
  QCOMPARE(listedMeters(theArchiveBrowser->meterGrid()), (QStringList{"АРХИВНЫЙ 11", "ВЗЯТЬ 22"}));
  QVERIFY(theArchiveBrowser->takeOverAction()->isEnabled());
  for (QAction* action : {theArchiveBrowser->excelProtocolAction(), theArchiveBrowser->deletePointAction(), theArchiveBrowser->deleteAllPointsAction(),
                          theArchiveBrowser->deleteMeterAction()})
    QVERIFY(!action->isEnabled());

  clickRow(theArchiveBrowser->meterGrid(), 1);
  theArchiveBrowser->takeOverAction()->trigger();

  QVERIFY(!theArchiveBrowser->isVisible());
  QVERIFY(theBaseEditor->isEnabled());
  QVERIFY(!theMainWindow->isEnabled());  // the editor is still open over it
  QCOMPARE(w.editorText("meterTypeEdit"), QStringLiteral("ВЗЯТЬ"));
  QCOMPARE(w.editorText("serialNumberEdit"), QStringLiteral("22"));
  QCOMPARE(w.editorText("yearEdit"), QStringLiteral("2003"));
  // The slot's meter and its test points are gone; the other slot stays.
  QCOMPARE(w.metersInSlotThree(), 0);
  QCOMPARE(w.fixture.count(QStringLiteral("select count(*) from slave where Num = ?"), {w.slotThree}), 0);
  QCOMPARE(w.fixture.count(QStringLiteral("select count(*) from master where Base = ?"), {kBase}), 1);
  QVERIFY(!theBaseEditor->SlotBoxes[3]->isChecked());
  QCOMPARE(theBaseEditor->SlotBoxes[3]->text(), QStringLiteral("Не используется"));
  verifyDesignStates(theArchiveBrowser);
}

void ArchiveTakeOverTest::takeOverWithNothingListedKeepsTheSlot() {
  OpenWindows w;
  w.takeFromArchiveIntoSlotThree();
  type(theArchiveBrowser->typeFilter(), QStringLiteral("НЕТ"));
  QCOMPARE(theArchiveBrowser->meterGrid()->model()->rowCount(), 0);
  theArchiveBrowser->takeOverAction()->trigger();
  QVERIFY(theArchiveBrowser->isVisible());
  QCOMPARE(w.metersInSlotThree(), 1);
  QCOMPARE(w.fixture.count(QStringLiteral("select count(*) from slave where Num = ?"), {w.slotThree}), 2);
}

void ArchiveTakeOverTest::closingReturnsToTheEditor() {
  OpenWindows w;
  w.takeFromArchiveIntoSlotThree();
  theArchiveBrowser->closeAction()->trigger();
  QVERIFY(theBaseEditor->isEnabled());
  QVERIFY(!theMainWindow->isEnabled());
  QCOMPARE(w.metersInSlotThree(), 1);
  verifyDesignStates(theArchiveBrowser);
}

VT3417_REGISTER_TEST(ArchiveTakeOverTest)
#include "ArchiveTakeOverTest.moc"
