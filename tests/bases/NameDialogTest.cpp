#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "support/TestRegistry.h"

#include "BasesFixture.h"
#include "bases/OptionsForm.h"
#include "bases/UNameBase.h"
#include "database/UDM.h"
#include "shell/Windows.h"
#include "workspace/Selection.h"
#include "workspace/UExper.h"

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
  QLineEdit* nameField() const { return FNameBase->findChild<QLineEdit*>("Edit1"); }
  // A base "Б1" with a meter in use in slot 1 and three test points; the editor closed.
  qint64 makeBaseWithMeter();

  std::unique_ptr<BasesFixture> fixture_;
};

void NameDialogTest::newBaseIsStoredWithCapitals() {
  FNameBase->open(Form2);
  QVERIFY(!Form2->isEnabled());
  QVERIFY(QTest::qWaitForWindowActive(FNameBase));
  TypeText(nameField(), "б1");
  QCOMPARE(nameField()->text(), "Б1");
  PressEnter(nameField());

  QCOMPARE(BaseRowCount("Б1"), 1);
  QVERIFY(!FNameBase->isVisible());
  QVERIFY(FNameBase->EditorFollows);
  QVERIFY(ChOptions->isVisible());
  QVERIFY2(!Form2->isEnabled(), "the main window waits for the editor");
  QCOMPARE(ChOptions->findChild<QLabel*>("LNameBase")->text(), "Б1");
  for (const char* name : {"ENvoltage", "ENtok", "ENpered", "EKlasT"})
    QCOMPARE(EditorField(name)->text(), "0");
  for (int n = 1; n <= 8; ++n) {
    QVERIFY(!Slot(n)->isChecked());
    QCOMPARE(Slot(n)->text(), "Не используется");
  }
  ChOptions->close();
  QVERIFY(Form2->isEnabled());
  QCOMPARE(Form2->TreeView1()->topLevelItemCount(), 2);
  QCOMPARE(Form2->TreeView1()->topLevelItem(1)->text(0), "Б1");
}

void NameDialogTest::cancellingCreatesNothing_data() {
  QTest::addColumn<bool>("byEscape");
  QTest::newRow("Esc") << true;
  QTest::newRow("Отмена") << false;
}

void NameDialogTest::cancellingCreatesNothing() {
  QFETCH(bool, byEscape);
  FNameBase->open(Form2);
  QVERIFY(QTest::qWaitForWindowActive(FNameBase));
  TypeText(nameField(), "Б2");
  if (byEscape)
    QTest::keyClick(nameField(), Qt::Key_Escape);
  else
    QTest::mouseClick(FNameBase->findChild<QPushButton*>("dxButton1"), Qt::LeftButton);
  QVERIFY(!FNameBase->isVisible());
  QVERIFY(!FNameBase->EditorFollows);
  QVERIFY(Form2->isEnabled());
  QVERIFY(!ChOptions->isVisible());
  QCOMPARE(BaseRowCount("Б2"), 0);
}

void NameDialogTest::blankNameIsIgnored() {
  FNameBase->open(Form2);
  QVERIFY(QTest::qWaitForWindowActive(FNameBase));
  PressEnter(nameField());
  TypeText(nameField(), "   ");
  QTest::mouseClick(FNameBase->findChild<QPushButton*>("dxButton2"), Qt::LeftButton);
  QVERIFY(FNameBase->isVisible());
  QVERIFY(!ChOptions->isVisible());
  QCOMPARE(BaseRowCount(""), 0);
  QCOMPARE(BaseRowCount("   "), 0);
}

qint64 NameDialogTest::makeBaseWithMeter() {
  CreateBaseByName("Б1");
  Fill(EditorField("ENvoltage"), "220");
  PutMeter(1, "123", "СЕ301");
  ChOptions->close();
  const QVector<MeterRow> meters = MetersOf("Б1");
  if (meters.size() != 1) qFatal("meter not created");
  AddPoints(meters[0].num, 3);
  return meters[0].num;
}

void NameDialogTest::existingNameYesStartsAnEmptyBase() {
  const qint64 oldMeter = makeBaseWithMeter();
  fixture_->answers.push(Answer::Yes);
  CreateBaseByName("Б1");

  QCOMPARE(fixture_->answers.shown().size(), size_t(1));
  QCOMPARE(fixture_->answers.shown()[0].caption, "Удаление");
  QCOMPARE(fixture_->answers.shown()[0].text,
           "База с этим именем уже существует, удалить существующую базу?");
  QCOMPARE(BaseRowCount("Б1"), 1);
  QVERIFY(!NominalsOf("Б1").at(0).isValid() || NominalsOf("Б1").at(0).toDouble() == 0);
  QVERIFY(MetersOf("Б1").isEmpty());
  QCOMPARE(PointCount(oldMeter), 0);
  QCOMPARE(EditorField("ENvoltage")->text(), "0");
  QVERIFY(!Slot(1)->isChecked());
}

void NameDialogTest::existingNameNoOpensTheExistingBase() {
  makeBaseWithMeter();
  const QVector<MeterRow> before = MetersOf("Б1");
  fixture_->answers.push(Answer::No);
  CreateBaseByName("Б1");

  QCOMPARE(fixture_->answers.shown().size(), size_t(1));
  QCOMPARE(BaseRowCount("Б1"), 1);
  QCOMPARE(MetersOf("Б1").size(), 1);
  QCOMPARE(MetersOf("Б1")[0].num, before[0].num);
  QCOMPARE(PointCount(before[0].num), 3);
  QCOMPARE(EditorField("ENvoltage")->text(), "220");
  QCOMPARE(EditorField("ENumber")->text(), "123");
  QVERIFY(Slot(1)->isChecked());
  QCOMPARE(Slot(1)->text(), "Используется");
  QVERIFY(!Form2->isEnabled());
}

void NameDialogTest::quotesInNamesAreStoredAsTyped() {
  const QString name = "Б\"1'";
  CreateBaseByName(name);
  QCOMPARE(BaseRowCount(name), 1);
  Fill(EditorField("ENvoltage"), "100");
  PutMeter(1, "7", "\"А'Б\"");
  PutMeter(2, "7", "\"А'Б\"");  // the same type and number: refused
  ChOptions->close();

  QCOMPARE(fixture_->answers.texts(), QStringList{"Cчетчик с такими номером и типом уже используется!"});
  QCOMPARE(NominalsOf(name).at(0).toDouble(), 100.0);
  const QVector<MeterRow> meters = MetersOf(name);
  QCOMPARE(meters.size(), 1);
  QCOMPARE(meters[0].type, "\"А'Б\"");
  QTreeWidgetItem* node = Form2->TreeView1()->topLevelItem(1);
  QCOMPARE(node->text(0), name);
  QCOMPARE(node->childCount(), 1);
}

VT3417_REGISTER_TEST(NameDialogTest)
#include "NameDialogTest.moc"
