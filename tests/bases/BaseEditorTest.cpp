#include <QCheckBox>
#include <QDateEdit>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QStyleOptionButton>
#include <QTest>
#include <QTreeWidget>

#include "support/Keyboard.h"
#include "support/TestRegistry.h"
#include "support/Widgets.h"

#include "BasesFixture.h"
#include "bases/BaseEditor.h"
#include "database/DataModule.h"
#include "ui/Selection.h"
#include "workspace/MainWindow.h"

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
  void refusedTickChangesNothing();
  void longStoredNominalsShownWholeAndKept_data();
  void longStoredNominalsShownWholeAndKept();

 private:
  QString text(const char* field) const { return fixture_->editorField(field)->text(); }
  void selectTreeNode(QTreeWidgetItem* node);

  std::unique_ptr<BasesFixture> fixture_;
};

void BaseEditorTest::selectTreeNode(QTreeWidgetItem* node) {
  widgets::child<QTreeWidget>(fixture_->mainWindow(), "baseTree")->setCurrentItem(node);
  fixture_->mainWindow().showSelection();
}

// A day's work in the editor: a new base, its nominal values, three meters in
// use, a duplicate refused, closing with the tree rebuilt and nothing chosen.
void BaseEditorTest::workingDay() {
  fixture_->createBaseByName("бАЗА");
  fill(fixture_->editorField("nominalVoltageEdit"), "400");
  pressEnter(fixture_->editorField("nominalVoltageEdit"));
  QCOMPARE(text("nominalVoltageEdit"), "380");
  QVERIFY(fixture_->editorField("nominalCurrentEdit")->hasFocus());
  fill(fixture_->editorField("nominalCurrentEdit"), "7");
  fill(fixture_->editorField("meterConstantEdit"), "0.05");
  fill(fixture_->editorField("accuracyClassEdit"), "0.5");
  fixture_->editorField("serialNumberEdit")->setFocus();
  QCOMPARE(text("nominalCurrentEdit"), "5");
  QCOMPARE(text("meterConstantEdit"), "0.1");
  QCOMPARE(fixture_->nominalsOf("БАЗА"), (QVariantList{380.0, 5.0, 0.1, 0.5}));

  fixture_->putMeter(1, "111", "СЕ301");
  fixture_->putMeter(2, "222", "СЕ301");
  fixture_->putMeter(5, "555", "ЦЭ6803");
  QVERIFY(fixture_->answers.shown().empty());
  for (int n : {1, 2, 5}) {
    QVERIFY(fixture_->slot(n)->isChecked());
    QCOMPARE(fixture_->slot(n)->text(), "Используется");
  }
  // Slot 3 with the type and number in use in slot 5: refused, nothing stored.
  fixture_->putMeter(3, "555", "ЦЭ6803");
  QCOMPARE(fixture_->answers.texts(), QStringList{kDuplicate});
  QCOMPARE(fixture_->answers.shown()[0].caption, "Данные");
  QVERIFY(!fixture_->slot(3)->isChecked());
  QCOMPARE(fixture_->slot(3)->text(), "Не используется");

  const QVector<MeterRow> meters = fixture_->metersOf("БАЗА");
  QCOMPARE(meters.size(), 3);
  QCOMPARE(meters[0].slot, 1);
  QCOMPARE(meters[0].number, "111");
  QCOMPARE(meters[0].type, "СЕ301");
  QCOMPARE(meters[0].year.toInt(), 2020);
  QCOMPARE(meters[0].user, "ЭНЕРГО");
  QCOMPARE(meters[0].maker, "ЗАВОД");
  QVERIFY(meters[0].inUse);
  QCOMPARE(meters[2].slot, 5);

  fixture_->selection().setMeterNum(static_cast<int>(meters[0].num));  // as if a meter had been chosen before
  QTest::mouseClick(fixture_->editor().findChild<QPushButton*>("okButton"), Qt::LeftButton);
  QVERIFY(!fixture_->editor().isVisible());
  QVERIFY(fixture_->mainWindow().isEnabled());
  QVERIFY(fixture_->selection().baseName().isEmpty());
  QCOMPARE(fixture_->selection().meterNum(), 0);
  QCOMPARE(fixture_->selection().markedCount(), 0);
  QTreeWidgetItem* base = widgets::child<QTreeWidget>(fixture_->mainWindow(), "baseTree")->topLevelItem(1);
  QCOMPARE(base->text(0), "БАЗА");
  QCOMPARE(base->childCount(), 3);
  QCOMPARE(base->child(0)->text(0), "Счетчик 1");
  QCOMPARE(base->child(2)->text(0), "Счетчик 5");
}

void BaseEditorTest::nominalFieldsAreBoundedAndStored_data() {
  QTest::addColumn<QString>("field");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("shown");
  QTest::addColumn<int>("column");  // of nominalsOf
  QTest::addColumn<double>("stored");
  QTest::newRow("voltage above") << "nominalVoltageEdit"
                                 << "400"
                                 << "380" << 0 << 380.0;
  QTest::newRow("voltage bound stays") << "nominalVoltageEdit"
                                       << "57.7"
                                       << "57.7" << 0 << 57.7;
  QTest::newRow("voltage letters dropped") << "nominalVoltageEdit"
                                           << "2x2o0"
                                           << "220" << 0 << 220.0;
  QTest::newRow("voltage emptied shows 0") << "nominalVoltageEdit"
                                           << ""
                                           << "0" << 0 << 0.0;
  QTest::newRow("current above") << "nominalCurrentEdit"
                                 << "7"
                                 << "5" << 1 << 5.0;
  QTest::newRow("current comma dropped") << "nominalCurrentEdit"
                                         << "2,5"
                                         << "5" << 1 << 5.0;
  QTest::newRow("constant below") << "meterConstantEdit"
                                  << "0.05"
                                  << "0.1" << 2 << 0.1;
  QTest::newRow("constant only a point") << "meterConstantEdit"
                                         << "."
                                         << "0.1" << 2 << 0.1;
  QTest::newRow("class unbounded") << "accuracyClassEdit"
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
  fixture_->createBaseByName("Б");
  QLineEdit* edit = fixture_->editorField(field.toLatin1().constData());
  fill(edit, typed);
  pressEnter(edit);
  QVERIFY(!edit->hasFocus());
  QCOMPARE(edit->text(), shown);
  QCOMPARE(fixture_->nominalsOf("Б").at(column).toDouble(), stored);
  QVERIFY(fixture_->answers.shown().empty());
}

void BaseEditorTest::keyRules_data() {
  QTest::addColumn<QString>("field");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("shown");
  QTest::newRow("serial number: capitals, digits only") << "serialNumberEdit"
                                                        << "ab-12 я."
                                                        << "AB12Я";
  QTest::newRow("type: capitals, anything") << "meterTypeEdit"
                                            << "це-6803 v"
                                            << "ЦЕ-6803 V";
  QTest::newRow("year: digits, four") << "yearEdit"
                                      << "2o0199"
                                      << "2019";
  QTest::newRow("owner: capitals") << "ownerEdit"
                                   << "ооо \"свет\""
                                   << "ООО \"СВЕТ\"";
  QTest::newRow("maker: capitals") << "makerEdit"
                                   << "zavod"
                                   << "ZAVOD";
  QTest::newRow("class: digits and point") << "accuracyClassEdit"
                                           << "0,5a"
                                           << "05";
}

void BaseEditorTest::keyRules() {
  QFETCH(QString, field);
  QFETCH(QString, typed);
  QFETCH(QString, shown);
  fixture_->createBaseByName("Б");
  QLineEdit* edit = fixture_->editorField(field.toLatin1().constData());
  fill(edit, typed);
  QCOMPARE(edit->text(), shown);
}

void BaseEditorTest::tickingWithAnEmptyFieldIsRefused() {
  fixture_->createBaseByName("Б");
  fill(fixture_->editorField("nominalVoltageEdit"), "220");
  fixture_->clickSlot(1, Qt::RightButton);
  fixture_->fillMeter("1", "Т", "");
  fixture_->clickSlot(1);
  QCOMPARE(fixture_->answers.texts(), QStringList{kFieldsEmpty});
  QCOMPARE(fixture_->answers.shown()[0].caption, "Данные");
  QVERIFY(!fixture_->slot(1)->isChecked());
  QCOMPARE(fixture_->slot(1)->text(), "Не используется");
  QVERIFY(fixture_->metersOf("Б").isEmpty());
}

void BaseEditorTest::sameMeterInAnotherBaseIsAllowed() {
  fixture_->createBaseByName("Б1");
  fill(fixture_->editorField("nominalVoltageEdit"), "220");
  fixture_->putMeter(2, "42", "Т");
  fixture_->editor().close();
  fixture_->createBaseByName("Б2");
  fill(fixture_->editorField("nominalVoltageEdit"), "220");
  fixture_->putMeter(2, "42", "Т");
  QVERIFY(fixture_->answers.shown().empty());
  QCOMPARE(fixture_->metersOf("Б1").size(), 1);
  QCOMPARE(fixture_->metersOf("Б2").size(), 1);
  QVERIFY(fixture_->metersOf("Б2")[0].inUse);
}

void BaseEditorTest::reTickingReplacesTheMeterAndItsPoints() {
  fixture_->createBaseByName("Б");
  fill(fixture_->editorField("nominalVoltageEdit"), "220");
  fixture_->putMeter(2, "42", "Т");
  const qint64 first = fixture_->metersOf("Б")[0].num;
  fixture_->addPoints(first, 4);

  fixture_->clickSlot(2);  // untick: stored as not in use, points kept
  QVERIFY(fixture_->answers.shown().empty());
  QCOMPARE(fixture_->slot(2)->text(), "Не используется");
  QCOMPARE(fixture_->metersOf("Б").size(), 1);
  QVERIFY(!fixture_->metersOf("Б")[0].inUse);
  QCOMPARE(fixture_->pointCount(first), 4);

  fixture_->editor().close();
  QCOMPARE(widgets::child<QTreeWidget>(fixture_->mainWindow(), "baseTree")->topLevelItem(1)->childCount(), 0);
  fixture_->selection().setBaseName("Б");
  fixture_->editor().openForChosenBase(&fixture_->mainWindow());
  QVERIFY(!fixture_->slot(2)->isChecked());
  fixture_->clickSlot(2);  // shows the stored meter on the press, ticks it on the release
  QCOMPARE(text("serialNumberEdit"), "42");
  QVERIFY(fixture_->slot(2)->isChecked());
  const QVector<MeterRow> meters = fixture_->metersOf("Б");
  QCOMPARE(meters.size(), 1);
  QVERIFY(meters[0].num != first);
  QVERIFY(meters[0].inUse);
  QCOMPARE(fixture_->pointCount(first), 0);
  QCOMPARE(fixture_->pointCount(meters[0].num), 0);
}

// A meter out of use in one slot is removed, with its points, when the same
// meter is put in use in another slot of the base.
void BaseEditorTest::anUnusedTwinGivesWay() {
  fixture_->createBaseByName("Б");
  fill(fixture_->editorField("nominalVoltageEdit"), "220");
  fixture_->putMeter(4, "44", "Т");
  const qint64 twin = fixture_->metersOf("Б")[0].num;
  fixture_->addPoints(twin, 2);
  fixture_->clickSlot(4);  // out of use
  fixture_->putMeter(6, "44", "Т");
  QVERIFY(fixture_->answers.shown().empty());
  const QVector<MeterRow> meters = fixture_->metersOf("Б");
  QCOMPARE(meters.size(), 1);
  QCOMPARE(meters[0].slot, 6);
  QCOMPARE(fixture_->pointCount(twin), 0);
}

void BaseEditorTest::typingANumberUnticksOnlyTheBox() {
  fixture_->createBaseByName("Б");
  fill(fixture_->editorField("nominalVoltageEdit"), "220");
  fixture_->putMeter(1, "42", "Т");
  QVERIFY(keyboard::clickToFocus(fixture_->editorField("serialNumberEdit")));
  keyboard::press(Qt::Key_End);
  typeText(fixture_->editorField("serialNumberEdit"), "-");  // dropped: nothing changes
  QVERIFY(fixture_->slot(1)->isChecked());
  typeText(fixture_->editorField("serialNumberEdit"), "x");
  QVERIFY(!fixture_->slot(1)->isChecked());
  QCOMPARE(fixture_->slot(1)->text(), "Используется");
  QCOMPARE(fixture_->metersOf("Б")[0].number, "42");
  QVERIFY(fixture_->metersOf("Б")[0].inUse);

  // Leaving a meter field now stores nothing: the box is unticked.
  fill(fixture_->editorField("ownerEdit"), "ДРУГОЙ");
  fixture_->editorField("makerEdit")->setFocus();
  QCOMPARE(fixture_->metersOf("Б")[0].user, "ЭНЕРГО");

  // Ticking again replaces the meter by the one in the fields.
  fixture_->clickSlot(1);
  QCOMPARE(fixture_->metersOf("Б").size(), 1);
  QCOMPARE(fixture_->metersOf("Б")[0].number, "42X");
  QCOMPARE(fixture_->metersOf("Б")[0].user, "ДРУГОЙ");

  // The type unticks as well, whatever is typed.
  typeText(fixture_->editorField("meterTypeEdit"), "-");
  QVERIFY(!fixture_->slot(1)->isChecked());
}

void BaseEditorTest::switchingToAnEmptySlotKeepsProposals() {
  fixture_->createBaseByName("Б");
  fill(fixture_->editorField("nominalVoltageEdit"), "220");
  auto* date = fixture_->editor().findChild<QDateEdit*>("lastCheckDateEdit");
  date->setDate(QDate(2015, 6, 1));
  fixture_->putMeter(1, "42", "Т");
  QCOMPARE(fixture_->metersOf("Б")[0].oldDate, QDate(2015, 6, 1));

  fixture_->clickSlot(4, Qt::RightButton);
  QCOMPARE(text("serialNumberEdit"), "");
  QCOMPARE(text("yearEdit"), "");
  QCOMPARE(text("meterTypeEdit"), "Т");
  QCOMPARE(text("ownerEdit"), "ЭНЕРГО");
  QCOMPARE(text("makerEdit"), "ЗАВОД");
  QCOMPARE(date->date(), QDate(2015, 6, 1));

  fixture_->clickSlot(1, Qt::RightButton);  // back to the filled slot
  QCOMPARE(text("serialNumberEdit"), "42");
  QCOMPARE(text("yearEdit"), "2020");
}

void BaseEditorTest::leavingAMeterFieldStoresIt() {
  fixture_->createBaseByName("Б");
  fill(fixture_->editorField("nominalVoltageEdit"), "220");
  fixture_->putMeter(3, "42", "Т");
  fill(fixture_->editorField("yearEdit"), "1999");
  pressEnter(fixture_->editorField("yearEdit"));
  QVERIFY(fixture_->editorField("ownerEdit")->hasFocus());
  fill(fixture_->editorField("ownerEdit"), "ИНОЙ");
  auto* date = fixture_->editor().findChild<QDateEdit*>("lastCheckDateEdit");
  date->setFocus(Qt::MouseFocusReason);
  date->setDate(QDate(2001, 2, 3));
  fixture_->clickSlot(6, Qt::RightButton);  // leaving by choosing another slot stores into slot 3
  const MeterRow meter = fixture_->metersOf("Б")[0];
  QCOMPARE(meter.year.toInt(), 1999);
  QCOMPARE(meter.user, "ИНОЙ");
  QCOMPARE(meter.oldDate, QDate(2001, 2, 3));
  QCOMPARE(meter.slot, 3);
  QVERIFY(fixture_->metersOf("Б").size() == 1);
}

// A meter in use keeps its year when the field is left empty; the operator is told.
void BaseEditorTest::emptyYearKeepsTheStoredYear() {
  fixture_->createBaseByName("Б");
  fill(fixture_->editorField("nominalVoltageEdit"), "220");
  fixture_->putMeter(1, "42", "Т", "2011");
  fill(fixture_->editorField("yearEdit"), "");
  fill(fixture_->editorField("ownerEdit"), "НОВЫЙ");
  QCOMPARE(fixture_->answers.shown().size(), size_t(1));
  QCOMPARE(fixture_->answers.shown()[0].kind, MessageService::Kind::Notice);
  QCOMPARE(text("yearEdit"), "2011");
  fixture_->editorField("makerEdit")->setFocus();
  QCOMPARE(fixture_->metersOf("Б")[0].year.toInt(), 2011);
  QCOMPARE(fixture_->metersOf("Б")[0].user, "НОВЫЙ");

  // Unticking with the year emptied still takes the meter out of use.
  fill(fixture_->editorField("yearEdit"), "");
  fixture_->clickSlot(1);
  QVERIFY(!fixture_->metersOf("Б")[0].inUse);
  QCOMPARE(fixture_->metersOf("Б")[0].year.toInt(), 2011);
  QVERIFY(fixture_->editor().isVisible());
}

void BaseEditorTest::closingStoresTheFieldBeingEdited() {
  fixture_->createBaseByName("Б");
  fill(fixture_->editorField("nominalVoltageEdit"), "220");
  fixture_->putMeter(1, "42", "Т");
  fill(fixture_->editorField("makerEdit"), "ПОСЛЕДНИЙ");
  fill(fixture_->editorField("nominalCurrentEdit"), "3");
  fixture_->editor().close();  // the close box, focus still in nominalCurrentEdit
  QCOMPARE(fixture_->nominalsOf("Б").at(1).toDouble(), 3.0);
  QCOMPARE(fixture_->metersOf("Б")[0].maker, "ПОСЛЕДНИЙ");
}

void BaseEditorTest::releaseAwayFromTheBoxChangesNothing() {
  fixture_->createBaseByName("Б");
  fill(fixture_->editorField("nominalVoltageEdit"), "220");
  fixture_->putMeter(1, "42", "Т");
  const qint64 num = fixture_->metersOf("Б")[0].num;
  fixture_->addPoints(num, 2);
  QStyleOptionButton option;
  option.initFrom(fixture_->slot(1));
  const QPoint indicator = fixture_->slot(1)
                               ->style()
                               ->subElementRect(QStyle::SE_CheckBoxIndicator, &option, fixture_->slot(1))
                               .center();
  QTest::mousePress(fixture_->slot(1), Qt::LeftButton, Qt::NoModifier, indicator);
  QTest::mouseRelease(fixture_->slot(1), Qt::LeftButton, Qt::NoModifier, QPoint(-40, -40));
  QVERIFY(fixture_->slot(1)->isChecked());
  QCOMPARE(fixture_->metersOf("Б")[0].num, num);
  QCOMPARE(fixture_->pointCount(num), 2);
}

void BaseEditorTest::escapeLeavesTheEditorOpen() {
  fixture_->createBaseByName("Б");
  QVERIFY(keyboard::clickToFocus(fixture_->editorField("nominalVoltageEdit")));
  keyboard::press(Qt::Key_Escape);
  QVERIFY(keyboard::clickToFocus(fixture_->editorField("serialNumberEdit")));
  keyboard::press(Qt::Key_Escape);
  QVERIFY(fixture_->editor().isVisible());
  QVERIFY(!fixture_->mainWindow().isEnabled());
}

namespace {

// The share of a widget's rendered pixels in the current slot's grey.
double greyShare(QWidget* widget) {
  const QImage image = widget->grab().toImage();
  int grey = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixelColor(x, y) == QColor(128, 128, 128)) ++grey;
  return double(grey) / (image.width() * image.height());
}

}  // namespace

// The grey is what the box shows on the screen, not only a palette entry.
void BaseEditorTest::currentSlotIsGreyAndNumbered() {
  fixture_->createBaseByName("Б");
  QVERIFY2(greyShare(fixture_->slot(1)) > 0.5, qPrintable(QString::number(greyShare(fixture_->slot(1)))));
  QCOMPARE(greyShare(fixture_->slot(7)), 0.0);
  fixture_->clickSlot(7, Qt::RightButton);
  QVERIFY2(greyShare(fixture_->slot(7)) > 0.5, qPrintable(QString::number(greyShare(fixture_->slot(7)))));
  QCOMPARE(greyShare(fixture_->slot(1)), 0.0);
  QCOMPARE(fixture_->editor().findChild<QLabel*>("slotNumberLabel")->text(), "№ 7");
  QCOMPARE(fixture_->selection().slot(), 7);
}

void BaseEditorTest::openingShowsSlotOneOrProposals() {
  fixture_->createBaseByName("Б");
  fill(fixture_->editorField("nominalVoltageEdit"), "220");
  fixture_->putMeter(3, "33", "ТИП3");
  fixture_->putMeter(4, "44", "ТИП4");
  fixture_->clickSlot(4);  // out of use
  fixture_->editor().close();

  // Base chosen in the tree, then "Данные счетчиков".
  selectTreeNode(widgets::child<QTreeWidget>(fixture_->mainWindow(), "baseTree")->topLevelItem(1));
  QCOMPARE(fixture_->selection().baseName(), "Б");
  fixture_->editor().openForChosenBase(&fixture_->mainWindow());
  QVERIFY(!fixture_->mainWindow().isEnabled());
  QCOMPARE(fixture_->selection().slot(), 1);
  QCOMPARE(text("serialNumberEdit"), "");
  QCOMPARE(text("meterTypeEdit"), "ТИП3");
  QCOMPARE(text("ownerEdit"), "ЭНЕРГО");
  QVERIFY(fixture_->slot(3)->isChecked());
  QCOMPARE(fixture_->slot(3)->text(), "Используется");
  QVERIFY(!fixture_->slot(4)->isChecked());
  QCOMPARE(fixture_->slot(4)->text(), "Не используется");
  QVERIFY(QTest::qWaitForWindowActive(&fixture_->editor()));
  QVERIFY(fixture_->editorField("serialNumberEdit")->hasFocus());
  fixture_->editor().close();

  // With slot 1 filled its meter is shown.
  fixture_->selection().setBaseName("Б");
  fixture_->editor().openForChosenBase(&fixture_->mainWindow());
  fixture_->putMeter(1, "11", "ТИП1");
  fixture_->editor().close();
  fixture_->selection().setBaseName("Б");
  fixture_->editor().openForChosenBase(&fixture_->mainWindow());
  QCOMPARE(text("serialNumberEdit"), "11");
  QCOMPARE(text("meterTypeEdit"), "ТИП1");
  QCOMPARE(text("yearEdit"), "2020");
}

void BaseEditorTest::archiveWithoutMetersGivesNotice() {
  fixture_->createBaseByName("Б\"");
  bool browserOpened = false;
  fixture_->editor().openArchiveBrowser = [&browserOpened] { browserOpened = true; };
  QTest::mouseClick(fixture_->editor().findChild<QPushButton*>("fromArchiveButton"), Qt::LeftButton);
  QCOMPARE(fixture_->answers.texts(), QStringList{"В архиве нет счетчиков из базы - Б\" !"});
  QCOMPARE(fixture_->answers.shown()[0].caption, "Архив");
  QVERIFY(!browserOpened);
  QVERIFY(fixture_->editor().isEnabled());
}

void BaseEditorTest::archiveTakeOver() {
  fixture_->createBaseByName("Б");
  fill(fixture_->editorField("nominalVoltageEdit"), "220");
  fixture_->putMeter(2, "42", "Т");
  const qint64 num = fixture_->metersOf("Б")[0].num;
  fixture_->addPoints(num, 2);
  fixture_->dm().connection()->executeWrite(
      Statement{"insert into masterarhive (Base, Tip, MyYear, MyUser, Maker, MyNumber) values ('Б', 'АРХ', "
                "2001, 'В', 'З', '9')",
                {},
                "masterarhive"});
  bool browserOpened = false;
  fixture_->editor().openArchiveBrowser = [&browserOpened] { browserOpened = true; };
  QTest::mouseClick(fixture_->editor().findChild<QPushButton*>("fromArchiveButton"), Qt::LeftButton);
  QVERIFY(browserOpened);
  QVERIFY(!fixture_->editor().isEnabled());
  QCOMPARE(fixture_->dm().archivedMeters->recordCount(), 1);

  fixture_->editor().takeOverArchivedMeter("АРХ", "9", "2001");
  QVERIFY(fixture_->editor().isEnabled());
  QCOMPARE(text("meterTypeEdit"), "АРХ");
  QCOMPARE(text("serialNumberEdit"), "9");
  QCOMPARE(text("yearEdit"), "2001");
  QVERIFY(!fixture_->slot(2)->isChecked());
  QCOMPARE(fixture_->slot(2)->text(), "Не используется");
  QVERIFY(fixture_->metersOf("Б").isEmpty());
  QCOMPARE(fixture_->pointCount(num), 0);

  fixture_->clickSlot(2);
  QCOMPARE(fixture_->metersOf("Б").size(), 1);
  QCOMPARE(fixture_->metersOf("Б")[0].type, "АРХ");
  QCOMPARE(fixture_->metersOf("Б")[0].year.toInt(), 2001);
}

// Slot 2's meter with its points gets the type and number of slot 1's meter
// typed over it and is ticked: the duplicate is refused before anything is
// deleted, and the database holds what it held.
void BaseEditorTest::refusedTickChangesNothing() {
  fixture_->createBaseByName("Б");
  fill(fixture_->editorField("nominalVoltageEdit"), "220");
  fixture_->putMeter(1, "11", "Т");
  fixture_->putMeter(2, "22", "Т");
  const QVector<MeterRow> before = fixture_->metersOf("Б");
  QCOMPARE(before.size(), 2);
  fixture_->addPoints(before[1].num, 3);

  fill(fixture_->editorField("serialNumberEdit"), "11");  // unticks the box only
  QVERIFY(!fixture_->slot(2)->isChecked());
  fixture_->clickSlot(2);
  QCOMPARE(fixture_->answers.texts(), QStringList{kDuplicate});
  QVERIFY(!fixture_->slot(2)->isChecked());

  const QVector<MeterRow> after = fixture_->metersOf("Б");
  QCOMPARE(after.size(), 2);
  QCOMPARE(after[1].num, before[1].num);
  QCOMPARE(after[1].number, "22");
  QVERIFY(after[1].inUse);
  QCOMPARE(fixture_->pointCount(before[1].num), 3);
  QCOMPARE(after[0].num, before[0].num);
}

void BaseEditorTest::longStoredNominalsShownWholeAndKept_data() {
  QTest::addColumn<QString>("column");
  QTest::addColumn<double>("stored");
  QTest::addColumn<QString>("field");
  QTest::addColumn<QString>("shown");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("typedShown");
  QTest::newRow("class of five decimals") << "KlasT" << 0.00001 << "accuracyClassEdit"
                                          << "0.00001"
                                          << "0.000001"
                                          << "0.0000";
  QTest::newRow("class in exponent form") << "KlasT" << 0.000001 << "accuracyClassEdit"
                                          << "1E-6"
                                          << "1234567"
                                          << "123456";
  QTest::newRow("constant of seven decimals") << "Pered" << 0.1234567 << "meterConstantEdit"
                                              << "0.1234567"
                                              << "123456789"
                                              << "12345678";
}

// A stored value longer than may be typed is shown whole; entering and leaving
// the nominal fields stores it unchanged. Typing is still limited.
void BaseEditorTest::longStoredNominalsShownWholeAndKept() {
  QFETCH(QString, column);
  QFETCH(double, stored);
  QFETCH(QString, field);
  QFETCH(QString, shown);
  QFETCH(QString, typed);
  QFETCH(QString, typedShown);
  fixture_->createBaseByName("Б");
  fill(fixture_->editorField("nominalVoltageEdit"), "220");
  fixture_->editor().close();
  fixture_->dm().connection()->executeWrite(
      Statement{QStringLiteral("update base set %1 = ? where NameBase = ?").arg(column),
                {stored, QStringLiteral("Б")},
                "base"});
  if (fixture_->dm().chosenBase->isOpen())
    fixture_->dm().chosenBase->refresh();  // as stored by another start
  fixture_->selection().setBaseName("Б");
  fixture_->editor().openForChosenBase(&fixture_->mainWindow());
  QLineEdit* edit = fixture_->editorField(field.toLatin1().constData());
  QCOMPARE(edit->text(), shown);

  for (const char* name :
       {"nominalVoltageEdit", "nominalCurrentEdit", "meterConstantEdit", "accuracyClassEdit"})
    QVERIFY(keyboard::clickToFocus(fixture_->editorField(name)));
  QVERIFY(keyboard::clickToFocus(fixture_->editorField("serialNumberEdit")));
  QCOMPARE(edit->text(), shown);
  const int index = column == "KlasT" ? 3 : 2;
  QCOMPARE(fixture_->nominalsOf("Б").at(index).toDouble(), stored);
  QCOMPARE(fixture_->nominalsOf("Б").at(0).toDouble(), 220.0);

  // Typing at the end of the long value cannot make it longer ...
  QVERIFY(keyboard::clickToFocus(edit));
  keyboard::press(Qt::Key_End);
  keyboard::type("5");
  if (shown.size() >= typedShown.size())  // typedShown is as long as the field lets type
    QCOMPARE(edit->text(), shown);
  else
    QCOMPARE(edit->text(), shown + "5");
  // ... and typing over it keeps to the limit of the field.
  fill(edit, typed);
  QCOMPARE(edit->text(), typedShown);
}

VT3417_REGISTER_TEST(BaseEditorTest)
#include "BaseEditorTest.moc"
