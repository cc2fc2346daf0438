#include "BasesFixture.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QStyleOptionButton>
#include <QTest>

#include "bases/BaseEditor.h"
#include "bases/SlotBox.h"
#include "bases/BaseNameDialog.h"
#include "database/DataModule.h"
#include "app/Windows.h"
#include "ui/Selection.h"
#include "support/Keyboard.h"
#include "workspace/MainWindow.h"

BasesFixture::BasesFixture() {
  theDataModule = new DataModule;
  const QStringList failures = theDataModule->openTables();
  if (!failures.isEmpty()) qFatal("data module: %s", qPrintable(failures.join(' ')));
  ChosenBaseName.clear();
  ChosenSlot = 1;
  ChosenMeterNum = 0;
  MarkedPointCount = 0;
  ActionsAllowed = true;
  theMainWindow = new MainWindow;
  theBaseEditor = new BaseEditor;
  theBaseNameDialog = new BaseNameDialog;
  theMainWindow->show();
}

BasesFixture::~BasesFixture() {
  delete theBaseNameDialog;
  theBaseNameDialog = nullptr;
  delete theBaseEditor;
  theBaseEditor = nullptr;
  delete theMainWindow;
  theMainWindow = nullptr;
  delete theDataModule;
  theDataModule = nullptr;
}

namespace {

QSqlQuery select(const QString& sql, const QVariantList& values, const QString& table) {
  return theDataModule->connection()->execute(Statement{sql, values, table});
}

}  // namespace

QVector<MeterRow> metersOf(const QString& base) {
  QSqlQuery query = select(
      "select Num, NumberCh, Tip, MyNumber, MyYear, MyVisible, MyUser, MyMaker, Olddate from master "
      "where Base = ? order by NumberCh, Num",
      {base}, "master");
  QVector<MeterRow> rows;
  while (query.next())
    rows.push_back({query.value(0).toLongLong(), query.value(1).toInt(), query.value(2).toString(),
                    query.value(3).toString(), query.value(4), query.value(5).toBool(),
                    query.value(6).toString(), query.value(7).toString(), query.value(8).toDate()});
  return rows;
}

int baseRowCount(const QString& name) {
  QSqlQuery query = select("select count(*) from base where NameBase = ?", {name}, "base");
  query.next();
  return query.value(0).toInt();
}

QVariantList nominalsOf(const QString& name) {
  QSqlQuery query =
      select("select Nvoltage, NTok, Pered, KlasT from base where NameBase = ?", {name}, "base");
  if (!query.next()) return {};
  return {query.value(0), query.value(1), query.value(2), query.value(3)};
}

int pointCount(qint64 meterNum) {
  QSqlQuery query = select("select count(*) from slave where Num = ?", {meterNum}, "slave");
  query.next();
  return query.value(0).toInt();
}

void addPoints(qint64 meterNum, int count) {
  for (int i = 1; i <= count; ++i)
    theDataModule->connection()->executeWrite(Statement{
        "insert into slave (Num, Voltage, Tok, Count) values (?, 100, 100, ?)", {meterNum, i}, "slave"});
}

QLineEdit* editorField(const char* name) {
  auto* field = theBaseEditor->findChild<QLineEdit*>(QString::fromLatin1(name));
  if (!field) qFatal("no field %s", name);
  return field;
}

QCheckBox* slot(int n) { return theBaseEditor->SlotBoxes[n]; }

void typeText(QWidget* w, const QString& text) {
  if (!w->hasFocus() && !keyboard::clickToFocus(w)) QFAIL("the control does not take the focus");
  keyboard::type(text);
}

void fill(QLineEdit* field, const QString& text) {
  if (!keyboard::clickToFocus(field)) QFAIL("the field does not take the focus");
  keyboard::press(Qt::Key_A, Qt::ControlModifier);  // select all
  if (text.isEmpty())
    keyboard::press(Qt::Key_Backspace);
  else
    keyboard::type(text);
}

void pressEnter(QWidget* w) {
  if (!w->hasFocus() && !keyboard::clickToFocus(w)) QFAIL("the control does not take the focus");
  keyboard::press(Qt::Key_Return);
}

void clickSlot(int n, Qt::MouseButton button) {
  QCheckBox* box = slot(n);
  QStyleOptionButton option;
  option.initFrom(box);
  const QPoint indicator = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box).center();
  QTest::mouseClick(box, button, Qt::NoModifier, indicator);
}

void createBaseByName(const QString& name) {
  theMainWindow->createBaseAction()->trigger();  // "Создать базу"
  QVERIFY(QTest::qWaitForWindowActive(theBaseNameDialog));
  auto* edit = theBaseNameDialog->findChild<QLineEdit*>("nameEdit");
  typeText(edit, name);
  pressEnter(edit);
  QVERIFY(QTest::qWaitForWindowActive(theBaseEditor));
}

void fillMeter(const QString& number, const QString& type, const QString& year, const QString& user,
               const QString& maker) {
  fill(editorField("serialNumberEdit"), number);
  fill(editorField("meterTypeEdit"), type);
  fill(editorField("yearEdit"), year);
  fill(editorField("ownerEdit"), user);
  fill(editorField("makerEdit"), maker);
}

void putMeter(int n, const QString& number, const QString& type, const QString& year) {
  clickSlot(n, Qt::RightButton);  // chooses the slot without ticking it
  fillMeter(number, type, year);
  clickSlot(n);
}
