#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QStyleOptionButton>
#include <QTest>
#include <QTreeWidget>

#include "support/TestRegistry.h"

#include "BasesFixture.h"
#include "bases/OptionsForm.h"
#include "database/UDM.h"
#include "shell/Windows.h"
#include "workspace/Selection.h"
#include "workspace/UExper.h"

using MessageService::Answer;

namespace {
const QString kDuplicate = QStringLiteral("Cчетчик с такими номером и типом уже используется!");
const QString kFieldsEmpty = QStringLiteral("Необходимо заполноть все поля данных");
}  // namespace

class BaseEditorTest : public QObject {
  Q_OBJECT
 private slots:
  void init() { fixture_ = std::make_unique<BasesFixture>(); }
  void cleanup() { fixture_.reset(); }

  void workingDay();
  void nominalFieldsAreBoundedAndStored_data();
  void nominalFieldsAreBoundedAndStored();
  void keyRules_data();
  void keyRules();
  void tickingWithAnEmptyFieldIsRefused();
  void sameMeterInAnotherBaseIsAllowed();
  void reTickingReplacesTheMeterAndItsPoints();
  void anUnusedTwinGivesWay();
  void typingANumberUnticksOnlyTheBox();
  void switchingToAnEmptySlotKeepsProposals();
  void leavingAMeterFieldStoresIt();
  void emptyYearKeepsTheStoredYear();
  void closingStoresTheFieldBeingEdited();
  void releaseAwayFromTheBoxChangesNothing();
  void escapeLeavesTheEditorOpen();
  void currentSlotIsGreyAndNumbered();
  void openingShowsSlotOneOrProposals();
  void archiveWithoutMetersGivesNotice();
  void archiveTakeOver();

 private:
  QString text(const char* field) const { return EditorField(field)->text(); }
  void selectTreeNode(QTreeWidgetItem* node);

  std::unique_ptr<BasesFixture> fixture_;
};

void BaseEditorTest::selectTreeNode(QTreeWidgetItem* node) {
  Form2->TreeView1()->setCurrentItem(node);
  Form2->ShowSelection();
}

// A day's work in the editor: a new base, its nominal values, three meters in
// use, a duplicate refused, closing with the tree rebuilt and nothing chosen.
void BaseEditorTest::workingDay() {
  CreateBaseByName("бАЗА");
  Fill(EditorField("ENvoltage"), "400");
  PressEnter(EditorField("ENvoltage"));
  QCOMPARE(text("ENvoltage"), "380");
  QVERIFY(EditorField("ENtok")->hasFocus());
  Fill(EditorField("ENtok"), "7");
  Fill(EditorField("ENpered"), "0.05");
  Fill(EditorField("EKlasT"), "0.5");
  EditorField("ENumber")->setFocus();
  QCOMPARE(text("ENtok"), "5");
  QCOMPARE(text("ENpered"), "0.1");
  QCOMPARE(NominalsOf("БАЗА"), (QVariantList{380.0, 5.0, 0.1, 0.5}));

  PutMeter(1, "111", "СЕ301");
  PutMeter(2, "222", "СЕ301");
  PutMeter(5, "555", "ЦЭ6803");
  QVERIFY(fixture_->answers.shown().empty());
  for (int n : {1, 2, 5}) {
    QVERIFY(Slot(n)->isChecked());
    QCOMPARE(Slot(n)->text(), "Используется");
  }
  // Slot 3 with the type and number in use in slot 5: refused, nothing stored.
  PutMeter(3, "555", "ЦЭ6803");
  QCOMPARE(fixture_->answers.texts(), QStringList{kDuplicate});
  QCOMPARE(fixture_->answers.shown()[0].caption, "Данные");
  QVERIFY(!Slot(3)->isChecked());
  QCOMPARE(Slot(3)->text(), "Не используется");

  const QVector<MeterRow> meters = MetersOf("БАЗА");
  QCOMPARE(meters.size(), 3);
  QCOMPARE(meters[0].slot, 1);
  QCOMPARE(meters[0].number, "111");
  QCOMPARE(meters[0].type, "СЕ301");
  QCOMPARE(meters[0].year.toInt(), 2020);
  QCOMPARE(meters[0].user, "ЭНЕРГО");
  QCOMPARE(meters[0].maker, "ЗАВОД");
  QVERIFY(meters[0].inUse);
  QCOMPARE(meters[2].slot, 5);

  ChosenMeterNum = static_cast<int>(meters[0].num);  // as if a meter had been chosen before
  QTest::mouseClick(ChOptions->findChild<QPushButton*>("dxButton2"), Qt::LeftButton);
  QVERIFY(!ChOptions->isVisible());
  QVERIFY(Form2->isEnabled());
  QVERIFY(ChosenBaseName.isEmpty());
  QCOMPARE(ChosenMeterNum, 0);
  QCOMPARE(MarkedPointCount, 0);
  QTreeWidgetItem* base = Form2->TreeView1()->topLevelItem(1);
  QCOMPARE(base->text(0), "БАЗА");
  QCOMPARE(base->childCount(), 3);
  QCOMPARE(base->child(0)->text(0), "Счетчик 1");
  QCOMPARE(base->child(2)->text(0), "Счетчик 5");
}

void BaseEditorTest::nominalFieldsAreBoundedAndStored_data() {
  QTest::addColumn<QString>("field");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("shown");
  QTest::addColumn<int>("column");  // of NominalsOf
  QTest::addColumn<double>("stored");
  QTest::newRow("voltage above") << "ENvoltage"
                                 << "400"
                                 << "380" << 0 << 380.0;
  QTest::newRow("voltage bound stays") << "ENvoltage"
                                       << "57.7"
                                       << "57.7" << 0 << 57.7;
  QTest::newRow("voltage letters dropped") << "ENvoltage"
                                           << "2x2o0"
                                           << "220" << 0 << 220.0;
  QTest::newRow("voltage emptied shows 0") << "ENvoltage"
                                           << ""
                                           << "0" << 0 << 0.0;
  QTest::newRow("current above") << "ENtok"
                                 << "7"
                                 << "5" << 1 << 5.0;
  QTest::newRow("current comma dropped") << "ENtok"
                                         << "2,5"
                                         << "5" << 1 << 5.0;
  QTest::newRow("constant below") << "ENpered"
                                  << "0.05"
                                  << "0.1" << 2 << 0.1;
  QTest::newRow("constant only a point") << "ENpered"
                                         << "."
                                         << "0.1" << 2 << 0.1;
  QTest::newRow("class unbounded") << "EKlasT"
                                   << "0.05"
                                   << "0.05" << 3 << 0.05;
}

// Enter bounds the field and moves on; leaving the field stores the values.
void BaseEditorTest::nominalFieldsAreBoundedAndStored() {
  QFETCH(QString, field);
  QFETCH(QString, typed);
  QFETCH(QString, shown);
  QFETCH(int, column);
  QFETCH(double, stored);
  CreateBaseByName("Б");
  QLineEdit* edit = EditorField(field.toLatin1().constData());
  Fill(edit, typed);
  PressEnter(edit);
  QVERIFY(!edit->hasFocus());
  QCOMPARE(edit->text(), shown);
  QCOMPARE(NominalsOf("Б").at(column).toDouble(), stored);
  QVERIFY(fixture_->answers.shown().empty());
}

void BaseEditorTest::keyRules_data() {
  QTest::addColumn<QString>("field");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("shown");
  QTest::newRow("serial number: capitals, digits only") << "ENumber"
                                                        << "ab-12 я."
                                                        << "AB12Я";
  QTest::newRow("type: capitals, anything") << "EName"
                                            << "це-6803 v"
                                            << "ЦЕ-6803 V";
  QTest::newRow("year: digits, four") << "EYear"
                                      << "2o0199"
                                      << "2019";
  QTest::newRow("owner: capitals") << "EUser"
                                   << "ооо \"свет\""
                                   << "ООО \"СВЕТ\"";
  QTest::newRow("maker: capitals") << "EMaker"
                                   << "zavod"
                                   << "ZAVOD";
  QTest::newRow("class: digits and point") << "EKlasT"
                                           << "0,5a"
                                           << "05";
}

void BaseEditorTest::keyRules() {
  QFETCH(QString, field);
  QFETCH(QString, typed);
  QFETCH(QString, shown);
  CreateBaseByName("Б");
  QLineEdit* edit = EditorField(field.toLatin1().constData());
  Fill(edit, typed);
  QCOMPARE(edit->text(), shown);
}

void BaseEditorTest::tickingWithAnEmptyFieldIsRefused() {
  CreateBaseByName("Б");
  Fill(EditorField("ENvoltage"), "220");
  ClickSlot(1, Qt::RightButton);
  FillMeter("1", "Т", "");
  ClickSlot(1);
  QCOMPARE(fixture_->answers.texts(), QStringList{kFieldsEmpty});
  QCOMPARE(fixture_->answers.shown()[0].caption, "Данные");
  QVERIFY(!Slot(1)->isChecked());
  QCOMPARE(Slot(1)->text(), "Не используется");
  QVERIFY(MetersOf("Б").isEmpty());
}

void BaseEditorTest::sameMeterInAnotherBaseIsAllowed() {
  CreateBaseByName("Б1");
  Fill(EditorField("ENvoltage"), "220");
  PutMeter(2, "42", "Т");
  ChOptions->close();
  CreateBaseByName("Б2");
  Fill(EditorField("ENvoltage"), "220");
  PutMeter(2, "42", "Т");
  QVERIFY(fixture_->answers.shown().empty());
  QCOMPARE(MetersOf("Б1").size(), 1);
  QCOMPARE(MetersOf("Б2").size(), 1);
  QVERIFY(MetersOf("Б2")[0].inUse);
}

void BaseEditorTest::reTickingReplacesTheMeterAndItsPoints() {
  CreateBaseByName("Б");
  Fill(EditorField("ENvoltage"), "220");
  PutMeter(2, "42", "Т");
  const qint64 first = MetersOf("Б")[0].num;
  AddPoints(first, 4);

  ClickSlot(2);  // untick: stored as not in use, points kept
  QVERIFY(fixture_->answers.shown().empty());
  QCOMPARE(Slot(2)->text(), "Не используется");
  QCOMPARE(MetersOf("Б").size(), 1);
  QVERIFY(!MetersOf("Б")[0].inUse);
  QCOMPARE(PointCount(first), 4);

  ChOptions->close();
  QCOMPARE(Form2->TreeView1()->topLevelItem(1)->childCount(), 0);
  ChosenBaseName = "Б";
  ChOptions->OpenForChosenBase(Form2);
  QVERIFY(!Slot(2)->isChecked());
  ClickSlot(2);  // shows the stored meter on the press, ticks it on the release
  QCOMPARE(text("ENumber"), "42");
  QVERIFY(Slot(2)->isChecked());
  const QVector<MeterRow> meters = MetersOf("Б");
  QCOMPARE(meters.size(), 1);
  QVERIFY(meters[0].num != first);
  QVERIFY(meters[0].inUse);
  QCOMPARE(PointCount(first), 0);
  QCOMPARE(PointCount(meters[0].num), 0);
}

// A meter out of use in one slot is removed, with its points, when the same
// meter is put in use in another slot of the base.
void BaseEditorTest::anUnusedTwinGivesWay() {
  CreateBaseByName("Б");
  Fill(EditorField("ENvoltage"), "220");
  PutMeter(4, "44", "Т");
  const qint64 twin = MetersOf("Б")[0].num;
  AddPoints(twin, 2);
  ClickSlot(4);  // out of use
  PutMeter(6, "44", "Т");
  QVERIFY(fixture_->answers.shown().empty());
  const QVector<MeterRow> meters = MetersOf("Б");
  QCOMPARE(meters.size(), 1);
  QCOMPARE(meters[0].slot, 6);
  QCOMPARE(PointCount(twin), 0);
}

void BaseEditorTest::typingANumberUnticksOnlyTheBox() {
  CreateBaseByName("Б");
  Fill(EditorField("ENvoltage"), "220");
  PutMeter(1, "42", "Т");
  EditorField("ENumber")->setFocus();
  EditorField("ENumber")->end(false);
  TypeText(EditorField("ENumber"), "-");  // dropped: nothing changes
  QVERIFY(Slot(1)->isChecked());
  TypeText(EditorField("ENumber"), "x");
  QVERIFY(!Slot(1)->isChecked());
  QCOMPARE(Slot(1)->text(), "Используется");
  QCOMPARE(MetersOf("Б")[0].number, "42");
  QVERIFY(MetersOf("Б")[0].inUse);

  // Leaving a meter field now stores nothing: the box is unticked.
  Fill(EditorField("EUser"), "ДРУГОЙ");
  EditorField("EMaker")->setFocus();
  QCOMPARE(MetersOf("Б")[0].user, "ЭНЕРГО");

  // Ticking again replaces the meter by the one in the fields.
  ClickSlot(1);
  QCOMPARE(MetersOf("Б").size(), 1);
  QCOMPARE(MetersOf("Б")[0].number, "42X");
  QCOMPARE(MetersOf("Б")[0].user, "ДРУГОЙ");

  // The type unticks as well, whatever is typed.
  EditorField("EName")->setFocus();
  TypeText(EditorField("EName"), "-");
  QVERIFY(!Slot(1)->isChecked());
}

void BaseEditorTest::switchingToAnEmptySlotKeepsProposals() {
  CreateBaseByName("Б");
  Fill(EditorField("ENvoltage"), "220");
  auto* date = ChOptions->findChild<QDateEdit*>("EdateOld");
  date->setDate(QDate(2015, 6, 1));
  PutMeter(1, "42", "Т");
  QCOMPARE(MetersOf("Б")[0].oldDate, QDate(2015, 6, 1));

  ClickSlot(4, Qt::RightButton);
  QCOMPARE(text("ENumber"), "");
  QCOMPARE(text("EYear"), "");
  QCOMPARE(text("EName"), "Т");
  QCOMPARE(text("EUser"), "ЭНЕРГО");
  QCOMPARE(text("EMaker"), "ЗАВОД");
  QCOMPARE(date->date(), QDate(2015, 6, 1));

  ClickSlot(1, Qt::RightButton);  // back to the filled slot
  QCOMPARE(text("ENumber"), "42");
  QCOMPARE(text("EYear"), "2020");
}

void BaseEditorTest::leavingAMeterFieldStoresIt() {
  CreateBaseByName("Б");
  Fill(EditorField("ENvoltage"), "220");
  PutMeter(3, "42", "Т");
  Fill(EditorField("EYear"), "1999");
  PressEnter(EditorField("EYear"));
  QVERIFY(EditorField("EUser")->hasFocus());
  Fill(EditorField("EUser"), "ИНОЙ");
  auto* date = ChOptions->findChild<QDateEdit*>("EdateOld");
  date->setFocus(Qt::MouseFocusReason);
  date->setDate(QDate(2001, 2, 3));
  ClickSlot(6, Qt::RightButton);  // leaving by choosing another slot stores into slot 3
  const MeterRow meter = MetersOf("Б")[0];
  QCOMPARE(meter.year.toInt(), 1999);
  QCOMPARE(meter.user, "ИНОЙ");
  QCOMPARE(meter.oldDate, QDate(2001, 2, 3));
  QCOMPARE(meter.slot, 3);
  QVERIFY(MetersOf("Б").size() == 1);
}

// A meter in use keeps its year when the field is left empty; the operator is told.
void BaseEditorTest::emptyYearKeepsTheStoredYear() {
  CreateBaseByName("Б");
  Fill(EditorField("ENvoltage"), "220");
  PutMeter(1, "42", "Т", "2011");
  Fill(EditorField("EYear"), "");
  Fill(EditorField("EUser"), "НОВЫЙ");
  QCOMPARE(fixture_->answers.shown().size(), size_t(1));
  QCOMPARE(fixture_->answers.shown()[0].kind, MessageService::Kind::Notice);
  QCOMPARE(text("EYear"), "2011");
  EditorField("EMaker")->setFocus();
  QCOMPARE(MetersOf("Б")[0].year.toInt(), 2011);
  QCOMPARE(MetersOf("Б")[0].user, "НОВЫЙ");

  // Unticking with the year emptied still takes the meter out of use.
  Fill(EditorField("EYear"), "");
  ClickSlot(1);
  QVERIFY(!MetersOf("Б")[0].inUse);
  QCOMPARE(MetersOf("Б")[0].year.toInt(), 2011);
  QVERIFY(ChOptions->isVisible());
}

void BaseEditorTest::closingStoresTheFieldBeingEdited() {
  CreateBaseByName("Б");
  Fill(EditorField("ENvoltage"), "220");
  PutMeter(1, "42", "Т");
  Fill(EditorField("EMaker"), "ПОСЛЕДНИЙ");
  Fill(EditorField("ENtok"), "3");
  ChOptions->close();  // the close box, focus still in ENtok
  QCOMPARE(NominalsOf("Б").at(1).toDouble(), 3.0);
  QCOMPARE(MetersOf("Б")[0].maker, "ПОСЛЕДНИЙ");
}

void BaseEditorTest::releaseAwayFromTheBoxChangesNothing() {
  CreateBaseByName("Б");
  Fill(EditorField("ENvoltage"), "220");
  PutMeter(1, "42", "Т");
  const qint64 num = MetersOf("Б")[0].num;
  AddPoints(num, 2);
  QStyleOptionButton option;
  option.initFrom(Slot(1));
  const QPoint indicator =
      Slot(1)->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, Slot(1)).center();
  QTest::mousePress(Slot(1), Qt::LeftButton, Qt::NoModifier, indicator);
  QTest::mouseRelease(Slot(1), Qt::LeftButton, Qt::NoModifier, QPoint(-40, -40));
  QVERIFY(Slot(1)->isChecked());
  QCOMPARE(MetersOf("Б")[0].num, num);
  QCOMPARE(PointCount(num), 2);
}

void BaseEditorTest::escapeLeavesTheEditorOpen() {
  CreateBaseByName("Б");
  QTest::keyClick(EditorField("ENvoltage"), Qt::Key_Escape);
  QTest::keyClick(ChOptions, Qt::Key_Escape);
  QVERIFY(ChOptions->isVisible());
  QVERIFY(!Form2->isEnabled());
}

void BaseEditorTest::currentSlotIsGreyAndNumbered() {
  CreateBaseByName("Б");
  const QColor grey(128, 128, 128);
  QCOMPARE(Slot(1)->palette().color(QPalette::Window), grey);
  ClickSlot(7, Qt::RightButton);
  QCOMPARE(Slot(7)->palette().color(QPalette::Window), grey);
  QVERIFY(Slot(1)->palette().color(QPalette::Window) != grey);
  QCOMPARE(ChOptions->findChild<QLabel*>("Lcount")->text(), "№ 7");
  QCOMPARE(ChosenSlot, 7);
}

void BaseEditorTest::openingShowsSlotOneOrProposals() {
  CreateBaseByName("Б");
  Fill(EditorField("ENvoltage"), "220");
  PutMeter(3, "33", "ТИП3");
  PutMeter(4, "44", "ТИП4");
  ClickSlot(4);  // out of use
  ChOptions->close();

  // Base chosen in the tree, then "Данные счетчиков".
  selectTreeNode(Form2->TreeView1()->topLevelItem(1));
  QCOMPARE(ChosenBaseName, "Б");
  ChOptions->OpenForChosenBase(Form2);
  QVERIFY(!Form2->isEnabled());
  QCOMPARE(ChosenSlot, 1);
  QCOMPARE(text("ENumber"), "");
  QCOMPARE(text("EName"), "ТИП3");
  QCOMPARE(text("EUser"), "ЭНЕРГО");
  QVERIFY(Slot(3)->isChecked());
  QCOMPARE(Slot(3)->text(), "Используется");
  QVERIFY(!Slot(4)->isChecked());
  QCOMPARE(Slot(4)->text(), "Не используется");
  QVERIFY(QTest::qWaitForWindowActive(ChOptions));
  QVERIFY(EditorField("ENumber")->hasFocus());
  ChOptions->close();

  // With slot 1 filled its meter is shown.
  ChosenBaseName = "Б";
  ChOptions->OpenForChosenBase(Form2);
  PutMeter(1, "11", "ТИП1");
  ChOptions->close();
  ChosenBaseName = "Б";
  ChOptions->OpenForChosenBase(Form2);
  QCOMPARE(text("ENumber"), "11");
  QCOMPARE(text("EName"), "ТИП1");
  QCOMPARE(text("EYear"), "2020");
}

void BaseEditorTest::archiveWithoutMetersGivesNotice() {
  CreateBaseByName("Б\"");
  bool browserOpened = false;
  ChOptions->OpenArchiveBrowser = [&browserOpened] { browserOpened = true; };
  QTest::mouseClick(ChOptions->findChild<QPushButton*>("abcPicBtn1"), Qt::LeftButton);
  QCOMPARE(fixture_->answers.texts(), QStringList{"В архиве нет счетчиков из базы - Б\" !"});
  QCOMPARE(fixture_->answers.shown()[0].caption, "Архив");
  QVERIFY(!browserOpened);
  QVERIFY(ChOptions->isEnabled());
}

void BaseEditorTest::archiveTakeOver() {
  CreateBaseByName("Б");
  Fill(EditorField("ENvoltage"), "220");
  PutMeter(2, "42", "Т");
  const qint64 num = MetersOf("Б")[0].num;
  AddPoints(num, 2);
  DM1->connection()->executeWrite(
      Statement{"insert into masterarhive (Base, Tip, MyYear, MyUser, Maker, MyNumber) values ('Б', 'АРХ', "
                "2001, 'В', 'З', '9')",
                {},
                "masterarhive"});
  bool browserOpened = false;
  ChOptions->OpenArchiveBrowser = [&browserOpened] { browserOpened = true; };
  QTest::mouseClick(ChOptions->findChild<QPushButton*>("abcPicBtn1"), Qt::LeftButton);
  QVERIFY(browserOpened);
  QVERIFY(!ChOptions->isEnabled());
  QCOMPARE(DM1->QMasterArhive->recordCount(), 1);

  ChOptions->TakeOverArchivedMeter("АРХ", "9", "2001");
  QVERIFY(ChOptions->isEnabled());
  QCOMPARE(text("EName"), "АРХ");
  QCOMPARE(text("ENumber"), "9");
  QCOMPARE(text("EYear"), "2001");
  QVERIFY(!Slot(2)->isChecked());
  QCOMPARE(Slot(2)->text(), "Не используется");
  QVERIFY(MetersOf("Б").isEmpty());
  QCOMPARE(PointCount(num), 0);

  ClickSlot(2);
  QCOMPARE(MetersOf("Б").size(), 1);
  QCOMPARE(MetersOf("Б")[0].type, "АРХ");
  QCOMPARE(MetersOf("Б")[0].year.toInt(), 2001);
}

VT3417_REGISTER_TEST(BaseEditorTest)
#include "BaseEditorTest.moc"
