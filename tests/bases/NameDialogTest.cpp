#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "support/Keyboard.h"
#include "support/TestRegistry.h"

#include "BasesFixture.h"
#include "bases/BaseEditor.h"
#include "bases/BaseNameDialog.h"
#include "database/DataModule.h"
#include "app/Windows.h"
#include "ui/Selection.h"
#include "workspace/MainWindow.h"

using MessageService::Answer;

class NameDialogTest : public QObject {
  Q_OBJECT
 private slots:
  void init() { fixture_ = std::make_unique<BasesFixture>(); }
  void cleanup() { fixture_.reset(); }

  void newBaseIsStoredWithCapitals();
  void cancellingCreatesNothing_data();
  void cancellingCreatesNothing();
  void blankNameIsIgnored();
  void existingNameYesStartsAnEmptyBase();
  void existingNameNoOpensTheExistingBase();
  void quotesInNamesAreStoredAsTyped();

 private:
  QLineEdit* nameField() const { return theBaseNameDialog->findChild<QLineEdit*>("nameEdit"); }
  // A base "Б1" with a meter in use in slot 1 and three test points; the editor closed.
  qint64 makeBaseWithMeter();

  std::unique_ptr<BasesFixture> fixture_;
};

void NameDialogTest::newBaseIsStoredWithCapitals() {
  theBaseNameDialog->open(theMainWindow);
  QVERIFY(!theMainWindow->isEnabled());
  QVERIFY(QTest::qWaitForWindowActive(theBaseNameDialog));
  typeText(nameField(), "б1");
  QCOMPARE(nameField()->text(), "Б1");
  pressEnter(nameField());

  QCOMPARE(baseRowCount("Б1"), 1);
  QVERIFY(!theBaseNameDialog->isVisible());
  QVERIFY(theBaseNameDialog->EditorFollows);
  QVERIFY(theBaseEditor->isVisible());
  QVERIFY2(!theMainWindow->isEnabled(), "the main window waits for the editor");
  QCOMPARE(theBaseEditor->findChild<QLabel*>("baseNameLabel")->text(), "Б1");
  for (const char* name : {"nominalVoltageEdit", "nominalCurrentEdit", "meterConstantEdit", "accuracyClassEdit"})
    QCOMPARE(editorField(name)->text(), "0");
  for (int n = 1; n <= 8; ++n) {
    QVERIFY(!slot(n)->isChecked());
    QCOMPARE(slot(n)->text(), "Не используется");
  }
  theBaseEditor->close();
  QVERIFY(theMainWindow->isEnabled());
  QCOMPARE(theMainWindow->baseTree()->topLevelItemCount(), 2);
  QCOMPARE(theMainWindow->baseTree()->topLevelItem(1)->text(0), "Б1");
}

void NameDialogTest::cancellingCreatesNothing_data() {
  QTest::addColumn<bool>("byEscape");
  QTest::newRow("Esc") << true;
  QTest::newRow("Отмена") << false;
}

void NameDialogTest::cancellingCreatesNothing() {
  QFETCH(bool, byEscape);
  theBaseNameDialog->open(theMainWindow);
  QVERIFY(QTest::qWaitForWindowActive(theBaseNameDialog));
  typeText(nameField(), "Б2");
  if (byEscape)
    keyboard::press(Qt::Key_Escape);
  else
    QTest::mouseClick(theBaseNameDialog->findChild<QPushButton*>("cancelButton"), Qt::LeftButton);
  QVERIFY(!theBaseNameDialog->isVisible());
  QVERIFY(!theBaseNameDialog->EditorFollows);
  QVERIFY(theMainWindow->isEnabled());
  QVERIFY(!theBaseEditor->isVisible());
  QCOMPARE(baseRowCount("Б2"), 0);
}

void NameDialogTest::blankNameIsIgnored() {
  theBaseNameDialog->open(theMainWindow);
  QVERIFY(QTest::qWaitForWindowActive(theBaseNameDialog));
  pressEnter(nameField());
  typeText(nameField(), "   ");
  QTest::mouseClick(theBaseNameDialog->findChild<QPushButton*>("okButton"), Qt::LeftButton);
  QVERIFY(theBaseNameDialog->isVisible());
  QVERIFY(!theBaseEditor->isVisible());
  QCOMPARE(baseRowCount(""), 0);
  QCOMPARE(baseRowCount("   "), 0);
}

qint64 NameDialogTest::makeBaseWithMeter() {
  createBaseByName("Б1");
  fill(editorField("nominalVoltageEdit"), "220");
  putMeter(1, "123", "СЕ301");
  theBaseEditor->close();
  const QVector<MeterRow> meters = metersOf("Б1");
  if (meters.size() != 1) qFatal("meter not created");
  addPoints(meters[0].num, 3);
  return meters[0].num;
}

void NameDialogTest::existingNameYesStartsAnEmptyBase() {
  const qint64 oldMeter = makeBaseWithMeter();
  fixture_->answers.push(Answer::Yes);
  createBaseByName("Б1");

  QCOMPARE(fixture_->answers.shown().size(), size_t(1));
  QCOMPARE(fixture_->answers.shown()[0].caption, "Удаление");
  QCOMPARE(fixture_->answers.shown()[0].text,
           "База с этим именем уже существует, удалить существующую базу?");
  QCOMPARE(baseRowCount("Б1"), 1);
  QVERIFY(!nominalsOf("Б1").at(0).isValid() || nominalsOf("Б1").at(0).toDouble() == 0);
  QVERIFY(metersOf("Б1").isEmpty());
  QCOMPARE(pointCount(oldMeter), 0);
  QCOMPARE(editorField("nominalVoltageEdit")->text(), "0");
  QVERIFY(!slot(1)->isChecked());
}

void NameDialogTest::existingNameNoOpensTheExistingBase() {
  makeBaseWithMeter();
  const QVector<MeterRow> before = metersOf("Б1");
  fixture_->answers.push(Answer::No);
  createBaseByName("Б1");

  QCOMPARE(fixture_->answers.shown().size(), size_t(1));
  QCOMPARE(baseRowCount("Б1"), 1);
  QCOMPARE(metersOf("Б1").size(), 1);
  QCOMPARE(metersOf("Б1")[0].num, before[0].num);
  QCOMPARE(pointCount(before[0].num), 3);
  QCOMPARE(editorField("nominalVoltageEdit")->text(), "220");
  QCOMPARE(editorField("serialNumberEdit")->text(), "123");
  QVERIFY(slot(1)->isChecked());
  QCOMPARE(slot(1)->text(), "Используется");
  QVERIFY(!theMainWindow->isEnabled());
}

void NameDialogTest::quotesInNamesAreStoredAsTyped() {
  const QString name = "Б\"1'";
  createBaseByName(name);
  QCOMPARE(baseRowCount(name), 1);
  fill(editorField("nominalVoltageEdit"), "100");
  putMeter(1, "7", "\"А'Б\"");
  putMeter(2, "7", "\"А'Б\"");  // the same type and number: refused
  theBaseEditor->close();

  QCOMPARE(fixture_->answers.texts(), QStringList{"Cчетчик с такими номером и типом уже используется!"});
  QCOMPARE(nominalsOf(name).at(0).toDouble(), 100.0);
  const QVector<MeterRow> meters = metersOf(name);
  QCOMPARE(meters.size(), 1);
  QCOMPARE(meters[0].type, "\"А'Б\"");
  QTreeWidgetItem* node = theMainWindow->baseTree()->topLevelItem(1);
  QCOMPARE(node->text(0), name);
  QCOMPARE(node->childCount(), 1);
}

VT3417_REGISTER_TEST(NameDialogTest)
#include "NameDialogTest.moc"
