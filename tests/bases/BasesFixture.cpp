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
  const QStringList failures = theDataModule->OpenTables();
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

QSqlQuery Select(const QString& sql, const QVariantList& values, const QString& table) {
  return theDataModule->connection()->execute(Statement{sql, values, table});
}

}  // namespace

QVector<MeterRow> MetersOf(const QString& base) {
  QSqlQuery query = Select(
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

int BaseRowCount(const QString& name) {
  QSqlQuery query = Select("select count(*) from base where NameBase = ?", {name}, "base");
  query.next();
  return query.value(0).toInt();
}

QVariantList NominalsOf(const QString& name) {
  QSqlQuery query =
      Select("select Nvoltage, NTok, Pered, KlasT from base where NameBase = ?", {name}, "base");
  if (!query.next()) return {};
  return {query.value(0), query.value(1), query.value(2), query.value(3)};
}

int PointCount(qint64 meterNum) {
  QSqlQuery query = Select("select count(*) from slave where Num = ?", {meterNum}, "slave");
  query.next();
  return query.value(0).toInt();
}

void AddPoints(qint64 meterNum, int count) {
  for (int i = 1; i <= count; ++i)
    theDataModule->connection()->executeWrite(Statement{
        "insert into slave (Num, Voltage, Tok, Count) values (?, 100, 100, ?)", {meterNum, i}, "slave"});
}

QLineEdit* EditorField(const char* name) {
  auto* field = theBaseEditor->findChild<QLineEdit*>(QString::fromLatin1(name));
  if (!field) qFatal("no field %s", name);
  return field;
}

QCheckBox* Slot(int n) { return theBaseEditor->SlotBoxes[n]; }

void TypeText(QWidget* w, const QString& text) {
  if (!w->hasFocus() && !keyboard::ClickToFocus(w)) QFAIL("the control does not take the focus");
  keyboard::Type(text);
}

void Fill(QLineEdit* field, const QString& text) {
  if (!keyboard::ClickToFocus(field)) QFAIL("the field does not take the focus");
  keyboard::Press(Qt::Key_A, Qt::ControlModifier);  // select all
  if (text.isEmpty())
    keyboard::Press(Qt::Key_Backspace);
  else
    keyboard::Type(text);
}

void PressEnter(QWidget* w) {
  if (!w->hasFocus() && !keyboard::ClickToFocus(w)) QFAIL("the control does not take the focus");
  keyboard::Press(Qt::Key_Return);
}

void ClickSlot(int n, Qt::MouseButton button) {
  QCheckBox* box = Slot(n);
  QStyleOptionButton option;
  option.initFrom(box);
  const QPoint indicator = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box).center();
  QTest::mouseClick(box, button, Qt::NoModifier, indicator);
}

void CreateBaseByName(const QString& name) {
  theMainWindow->createBaseAction()->trigger();  // "Создать базу"
  QVERIFY(QTest::qWaitForWindowActive(theBaseNameDialog));
  auto* edit = theBaseNameDialog->findChild<QLineEdit*>("nameEdit");
  TypeText(edit, name);
  PressEnter(edit);
  QVERIFY(QTest::qWaitForWindowActive(theBaseEditor));
}

void FillMeter(const QString& number, const QString& type, const QString& year, const QString& user,
               const QString& maker) {
  Fill(EditorField("serialNumberEdit"), number);
  Fill(EditorField("meterTypeEdit"), type);
  Fill(EditorField("yearEdit"), year);
  Fill(EditorField("ownerEdit"), user);
  Fill(EditorField("makerEdit"), maker);
}

void PutMeter(int n, const QString& number, const QString& type, const QString& year) {
  ClickSlot(n, Qt::RightButton);  // chooses the slot without ticking it
  FillMeter(number, type, year);
  ClickSlot(n);
}
