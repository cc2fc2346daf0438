#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include "support/TestRegistry.h"

#include "ArchiveFixture.h"
#include "BrowserDriver.h"
#include "archive/ArchiveTransfer.h"
#include "archive/UdataBase.h"
#include "bases/OptionsForm.h"
#include "bases/SlotBox.h"
#include "database/UDM.h"
#include "shell/MessageService.h"
#include "shell/Windows.h"
#include "workspace/DBGrid.h"
#include "workspace/Selection.h"
#include "workspace/UExper.h"

using namespace BrowserDriver;
using MessageService::ScriptedAnswers;

namespace {

const QString kBase = QStringLiteral("Б1");

// The main window, the meter base editor and the archive browser, plugged
// together as at start-up, over base Б1 with meters in slots 1 and 3 (slot 3
// with two test points) and an archive with two meters of Б1 and one of Б2.
class Workspace {
 public:
  Workspace() {
    fixture.addBase(kBase);
    fixture.addBase(QStringLiteral("Б2"));
    fixture.addMeter(kBase, 1, QStringLiteral("ПЕРВЫЙ"), QStringLiteral("1"));
    slotThree = fixture.addMeter(kBase, 3, QStringLiteral("ТРЕТИЙ"), QStringLiteral("3"));
    for (int i = 0; i < 2; ++i)
      fixture.addPoint(slotThree, 100, 100, QStringLiteral("1"), 0.1, QDate(2024, 1, 1), QString());
    fixture.addArchivedMeter(QStringLiteral("АРХИВНЫЙ"), QStringLiteral("11"), 1999);
    fixture.addArchivedMeter(QStringLiteral("ВЗЯТЬ"), QStringLiteral("22"), 2003);
    fixture.addArchivedMeter(QStringLiteral("ЧУЖОЙ"), QStringLiteral("33"), 2004, QStringLiteral("Б2"));
    Form2 = new TForm2;
    ChOptions = new TChOptions;
    FDataBase = new TFDataBase;
    PlugArchiveCommands();
    Form2->show();
  }
  ~Workspace() {
    delete FDataBase;
    FDataBase = nullptr;
    delete ChOptions;
    ChOptions = nullptr;
    delete Form2;
    Form2 = nullptr;
  }

  // The editor open on Б1 with slot 3 current, the browser opened from it.
  void takeFromArchiveIntoSlotThree() {
    ChosenBaseName = kBase;
    ChOptions->OpenForChosenBase(Form2);
    ChOptions->SwitchSlot(3);
    ChOptions->AGetArhiveExecute();
  }
  QString editorText(const char* field) const {
    return ChOptions->findChild<QLineEdit*>(QString::fromLatin1(field))->text();
  }
  int metersInSlotThree() const {
    return fixture.count(QStringLiteral("select count(*) from master where Base = ? and NumberCh = 3"),
                         {kBase});
  }

  ArchiveFixture fixture;
  qint64 slotThree = 0;
};

void VerifyDesignStates(TFDataBase* browser) {
  QVERIFY(!browser->AButtonGetArhive()->isEnabled());
  for (QAction* action : {browser->AProtocolExel(), browser->AButtonDelS(), browser->AButtonDelAllS(),
                          browser->AbuttonDelM(), browser->AClose()})
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
  Workspace w;
  Form2->AseeArhive()->trigger();
  QVERIFY(FDataBase->isVisible());
  QVERIFY(!Form2->isEnabled());
  QCOMPARE(FDataBase->DBGrid2()->model()->rowCount(), 3);
  VerifyDesignStates(FDataBase);
  FDataBase->AClose()->trigger();
  QVERIFY(!FDataBase->isVisible());
  QVERIFY(Form2->isEnabled());
}

void ArchiveTakeOverTest::takeOverIntoTheEditorsCurrentSlot() {
  Workspace w;
  w.takeFromArchiveIntoSlotThree();
  QVERIFY(FDataBase->isVisible());
  QVERIFY(!ChOptions->isEnabled());
  QCOMPARE(ListedMeters(FDataBase->DBGrid2()), (QStringList{"АРХИВНЫЙ 11", "ВЗЯТЬ 22"}));
  QVERIFY(FDataBase->AButtonGetArhive()->isEnabled());
  for (QAction* action : {FDataBase->AProtocolExel(), FDataBase->AButtonDelS(), FDataBase->AButtonDelAllS(),
                          FDataBase->AbuttonDelM()})
    QVERIFY(!action->isEnabled());

  ClickRow(FDataBase->DBGrid2(), 1);
  FDataBase->AButtonGetArhive()->trigger();

  QVERIFY(!FDataBase->isVisible());
  QVERIFY(ChOptions->isEnabled());
  QVERIFY(!Form2->isEnabled());  // the editor is still open over it
  QCOMPARE(w.editorText("EName"), QStringLiteral("ВЗЯТЬ"));
  QCOMPARE(w.editorText("ENumber"), QStringLiteral("22"));
  QCOMPARE(w.editorText("EYear"), QStringLiteral("2003"));
  // The slot's meter and its test points are gone; the other slot stays.
  QCOMPARE(w.metersInSlotThree(), 0);
  QCOMPARE(w.fixture.count(QStringLiteral("select count(*) from slave where Num = ?"), {w.slotThree}), 0);
  QCOMPARE(w.fixture.count(QStringLiteral("select count(*) from master where Base = ?"), {kBase}), 1);
  QVERIFY(!ChOptions->SlotBoxes[3]->isChecked());
  QCOMPARE(ChOptions->SlotBoxes[3]->text(), QStringLiteral("Не используется"));
  VerifyDesignStates(FDataBase);
}

void ArchiveTakeOverTest::takeOverWithNothingListedKeepsTheSlot() {
  Workspace w;
  w.takeFromArchiveIntoSlotThree();
  Type(FDataBase->CBTip()->lineEdit(), QStringLiteral("НЕТ"));
  QCOMPARE(FDataBase->DBGrid2()->model()->rowCount(), 0);
  FDataBase->AButtonGetArhive()->trigger();
  QVERIFY(FDataBase->isVisible());
  QCOMPARE(w.metersInSlotThree(), 1);
  QCOMPARE(w.fixture.count(QStringLiteral("select count(*) from slave where Num = ?"), {w.slotThree}), 2);
}

void ArchiveTakeOverTest::closingReturnsToTheEditor() {
  Workspace w;
  w.takeFromArchiveIntoSlotThree();
  FDataBase->AClose()->trigger();
  QVERIFY(ChOptions->isEnabled());
  QVERIFY(!Form2->isEnabled());
  QCOMPARE(w.metersInSlotThree(), 1);
  VerifyDesignStates(FDataBase);
}

VT3417_REGISTER_TEST(ArchiveTakeOverTest)
#include "ArchiveTakeOverTest.moc"
