#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "support/Keyboard.h"
#include "support/TestRegistry.h"
#include "support/Widgets.h"

#include "BasesFixture.h"
#include "bases/BaseEditor.h"
#include "bases/BaseNameDialog.h"
#include "database/DataModule.h"
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
  QLineEdit* nameField() const { return fixture_->nameDialog().findChild<QLineEdit*>("nameEdit"); }
  // A base "Б1" with a meter in use in slot 1 and three test points; the editor closed.
  qint64 makeBaseWithMeter();

  std::unique_ptr<BasesFixture> fixture_;
};

void NameDialogTest::newBaseIsStoredWithCapitals() {
  fixture_->nameDialog().open(&fixture_->mainWindow());
  QVERIFY(!fixture_->mainWindow().isEnabled());
  QVERIFY(QTest::qWaitForWindowActive(&fixture_->nameDialog()));
  typeText(nameField(), "б1");
  QCOMPARE(nameField()->text(), "Б1");
  pressEnter(nameField());

  QCOMPARE(fixture_->baseRowCount("Б1"), 1);
  QVERIFY(!fixture_->nameDialog().isVisible());
  QVERIFY(fixture_->nameDialog().editorFollows);
  QVERIFY(fixture_->editor().isVisible());
  QVERIFY2(!fixture_->mainWindow().isEnabled(), "the main window waits for the editor");
  QCOMPARE(fixture_->editor().findChild<QLabel*>("baseNameLabel")->text(), "Б1");
  for (const char* name :
       {"nominalVoltageEdit", "nominalCurrentEdit", "meterConstantEdit", "accuracyClassEdit"})
    QCOMPARE(fixture_->editorField(name)->text(), "0");
  for (int n = 1; n <= 8; ++n) {
    QVERIFY(!fixture_->slot(n)->isChecked());
    QCOMPARE(fixture_->slot(n)->text(), "Не используется");
  }
  fixture_->editor().close();
  QVERIFY(fixture_->mainWindow().isEnabled());
  QCOMPARE(widgets::child<QTreeWidget>(fixture_->mainWindow(), "baseTree")->topLevelItemCount(), 2);
  QCOMPARE(widgets::child<QTreeWidget>(fixture_->mainWindow(), "baseTree")->topLevelItem(1)->text(0), "Б1");
}

void NameDialogTest::cancellingCreatesNothing_data() {
  QTest::addColumn<bool>("byEscape");
  QTest::newRow("Esc") << true;
  QTest::newRow("Отмена") << false;
}

void NameDialogTest::cancellingCreatesNothing() {
  QFETCH(bool, byEscape);
  fixture_->nameDialog().open(&fixture_->mainWindow());
  QVERIFY(QTest::qWaitForWindowActive(&fixture_->nameDialog()));
  typeText(nameField(), "Б2");
  if (byEscape)
    keyboard::press(Qt::Key_Escape);
  else
    QTest::mouseClick(fixture_->nameDialog().findChild<QPushButton*>("cancelButton"), Qt::LeftButton);
  QVERIFY(!fixture_->nameDialog().isVisible());
  QVERIFY(!fixture_->nameDialog().editorFollows);
  QVERIFY(fixture_->mainWindow().isEnabled());
  QVERIFY(!fixture_->editor().isVisible());
  QCOMPARE(fixture_->baseRowCount("Б2"), 0);
}

void NameDialogTest::blankNameIsIgnored() {
  fixture_->nameDialog().open(&fixture_->mainWindow());
  QVERIFY(QTest::qWaitForWindowActive(&fixture_->nameDialog()));
  pressEnter(nameField());
  typeText(nameField(), "   ");
  QTest::mouseClick(fixture_->nameDialog().findChild<QPushButton*>("okButton"), Qt::LeftButton);
  QVERIFY(fixture_->nameDialog().isVisible());
  QVERIFY(!fixture_->editor().isVisible());
  QCOMPARE(fixture_->baseRowCount(""), 0);
  QCOMPARE(fixture_->baseRowCount("   "), 0);
}

qint64 NameDialogTest::makeBaseWithMeter() {
  fixture_->createBaseByName("Б1");
  fill(fixture_->editorField("nominalVoltageEdit"), "220");
  fixture_->putMeter(1, "123", "СЕ301");
  fixture_->editor().close();
  const QVector<MeterRow> meters = fixture_->metersOf("Б1");
  if (meters.size() != 1) qFatal("meter not created");
  fixture_->addPoints(meters[0].num, 3);
  return meters[0].num;
}

void NameDialogTest::existingNameYesStartsAnEmptyBase() {
  const qint64 oldMeter = makeBaseWithMeter();
  fixture_->answers.push(Answer::Yes);
  fixture_->createBaseByName("Б1");

  QCOMPARE(fixture_->answers.shown().size(), size_t(1));
  QCOMPARE(fixture_->answers.shown()[0].caption, "Удаление");
  QCOMPARE(fixture_->answers.shown()[0].text,
           "База с этим именем уже существует, удалить существующую базу?");
  QCOMPARE(fixture_->baseRowCount("Б1"), 1);
  QVERIFY(!fixture_->nominalsOf("Б1").at(0).isValid() || fixture_->nominalsOf("Б1").at(0).toDouble() == 0);
  QVERIFY(fixture_->metersOf("Б1").isEmpty());
  QCOMPARE(fixture_->pointCount(oldMeter), 0);
  QCOMPARE(fixture_->editorField("nominalVoltageEdit")->text(), "0");
  QVERIFY(!fixture_->slot(1)->isChecked());
}

void NameDialogTest::existingNameNoOpensTheExistingBase() {
  makeBaseWithMeter();
  const QVector<MeterRow> before = fixture_->metersOf("Б1");
  fixture_->answers.push(Answer::No);
  fixture_->createBaseByName("Б1");

  QCOMPARE(fixture_->answers.shown().size(), size_t(1));
  QCOMPARE(fixture_->baseRowCount("Б1"), 1);
  QCOMPARE(fixture_->metersOf("Б1").size(), 1);
  QCOMPARE(fixture_->metersOf("Б1")[0].num, before[0].num);
  QCOMPARE(fixture_->pointCount(before[0].num), 3);
  QCOMPARE(fixture_->editorField("nominalVoltageEdit")->text(), "220");
  QCOMPARE(fixture_->editorField("serialNumberEdit")->text(), "123");
  QVERIFY(fixture_->slot(1)->isChecked());
  QCOMPARE(fixture_->slot(1)->text(), "Используется");
  QVERIFY(!fixture_->mainWindow().isEnabled());
}

void NameDialogTest::quotesInNamesAreStoredAsTyped() {
  const QString name = "Б\"1'";
  fixture_->createBaseByName(name);
  QCOMPARE(fixture_->baseRowCount(name), 1);
  fill(fixture_->editorField("nominalVoltageEdit"), "100");
  fixture_->putMeter(1, "7", "\"А'Б\"");
  fixture_->putMeter(2, "7", "\"А'Б\"");  // the same type and number: refused
  fixture_->editor().close();

  QCOMPARE(fixture_->answers.texts(), QStringList{"Cчетчик с такими номером и типом уже используется!"});
  QCOMPARE(fixture_->nominalsOf(name).at(0).toDouble(), 100.0);
  const QVector<MeterRow> meters = fixture_->metersOf(name);
  QCOMPARE(meters.size(), 1);
  QCOMPARE(meters[0].type, "\"А'Б\"");
  QTreeWidgetItem* node = widgets::child<QTreeWidget>(fixture_->mainWindow(), "baseTree")->topLevelItem(1);
  QCOMPARE(node->text(0), name);
  QCOMPARE(node->childCount(), 1);
}

VT3417_REGISTER_TEST(NameDialogTest)
#include "NameDialogTest.moc"
