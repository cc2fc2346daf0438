#include "BasesFixture.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QStyleOptionButton>
#include <QTest>

#include "bases/OptionsForm.h"
#include "bases/SlotBox.h"
#include "bases/UNameBase.h"
#include "database/UDM.h"
#include "shell/Windows.h"
#include "workspace/Selection.h"
#include "workspace/UExper.h"

BasesFixture::BasesFixture() {
  DM1 = new TDM1;
  const QStringList failures = DM1->DataModuleCreate();
  if (!failures.isEmpty()) qFatal("data module: %s", qPrintable(failures.join(' ')));
  ChosenBaseName.clear();
  ChosenSlot = 1;
  ChosenMeterNum = 0;
  MarkedPointCount = 0;
  ActionsAllowed = true;
  Form2 = new TForm2;
  ChOptions = new TChOptions;
  FNameBase = new TFNameBase;
  Form2->show();
}

BasesFixture::~BasesFixture() {
  delete FNameBase;
  FNameBase = nullptr;
  delete ChOptions;
  ChOptions = nullptr;
  delete Form2;
  Form2 = nullptr;
  delete DM1;
  DM1 = nullptr;
}

namespace {

QSqlQuery Select(const QString& sql, const QVariantList& values, const QString& table) {
  return DM1->connection()->execute(Statement{sql, values, table});
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
    DM1->connection()->executeWrite(Statement{
        "insert into slave (Num, Voltage, Tok, Count) values (?, 100, 100, ?)", {meterNum, i}, "slave"});
}

QLineEdit* EditorField(const char* name) {
  auto* field = ChOptions->findChild<QLineEdit*>(QString::fromLatin1(name));
  if (!field) qFatal("no field %s", name);
  return field;
}

QCheckBox* Slot(int n) { return ChOptions->SlotBoxes[n]; }

void TypeText(QWidget* w, const QString& text) {
  for (const QChar c : text)
    QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

void Fill(QLineEdit* field, const QString& text) {
  field->setFocus(Qt::MouseFocusReason);
  field->selectAll();
  if (text.isEmpty())
    QTest::keyClick(field, Qt::Key_Backspace);
  else
    TypeText(field, text);
}

void PressEnter(QWidget* w) { QTest::keyClick(w, Qt::Key_Return); }

void ClickSlot(int n, Qt::MouseButton button) {
  QCheckBox* box = Slot(n);
  QStyleOptionButton option;
  option.initFrom(box);
  const QPoint indicator = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box).center();
  QTest::mouseClick(box, button, Qt::NoModifier, indicator);
}

void CreateBaseByName(const QString& name) {
  Form2->ADDBase()->trigger();  // "Создать базу"
  QVERIFY(QTest::qWaitForWindowActive(FNameBase));
  auto* edit = FNameBase->findChild<QLineEdit*>("Edit1");
  TypeText(edit, name);
  PressEnter(edit);
  QVERIFY(QTest::qWaitForWindowActive(ChOptions));
}

void FillMeter(const QString& number, const QString& type, const QString& year, const QString& user,
               const QString& maker) {
  Fill(EditorField("ENumber"), number);
  Fill(EditorField("EName"), type);
  Fill(EditorField("EYear"), year);
  Fill(EditorField("EUser"), user);
  Fill(EditorField("EMaker"), maker);
}

void PutMeter(int n, const QString& number, const QString& type, const QString& year) {
  ClickSlot(n, Qt::RightButton);  // chooses the slot without ticking it
  FillMeter(number, type, year);
  ClickSlot(n);
}
