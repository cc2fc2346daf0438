#include "BasesFixture.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QStyleOptionButton>
#include <QTest>

#include "bases/BaseEditor.h"
#include "bases/BaseNameDialog.h"
#include "bases/SlotBox.h"
#include "database/DataModule.h"
#include "support/Keyboard.h"
#include "support/Widgets.h"
#include "workspace/MainWindow.h"

BasesFixture::BasesFixture() {
  dm_ = std::make_unique<DataModule>();
  const QStringList failures = dm_->openTables();
  if (!failures.isEmpty()) qFatal("data module: %s", qPrintable(failures.join(' ')));
  mainWindow_ = std::make_unique<MainWindow>(*dm_, selection_);
  editor_ = std::make_unique<BaseEditor>(*dm_, selection_, mainWindow_.get());
  nameDialog_ = std::make_unique<BaseNameDialog>(*dm_, selection_, *editor_);
  // "Создать базу" opens the base name dialog, as the start-up wires it.
  mainWindow_->hooks.openBaseNameDialog = [this] { nameDialog_->open(mainWindow_.get()); };
  mainWindow_->show();
}

// The members go in reverse order: the windows, then the selection and the data module.
BasesFixture::~BasesFixture() = default;

namespace {

QSqlQuery select(DataModule& dm, const QString& sql, const QVariantList& values, const QString& table) {
  return dm.connection()->execute(Statement{sql, values, table});
}

}  // namespace

QVector<MeterRow> BasesFixture::metersOf(const QString& base) {
  QSqlQuery query =
      select(*dm_,
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

int BasesFixture::baseRowCount(const QString& name) {
  QSqlQuery query = select(*dm_, "select count(*) from base where NameBase = ?", {name}, "base");
  query.next();
  return query.value(0).toInt();
}

QVariantList BasesFixture::nominalsOf(const QString& name) {
  QSqlQuery query =
      select(*dm_, "select Nvoltage, NTok, Pered, KlasT from base where NameBase = ?", {name}, "base");
  if (!query.next()) return {};
  return {query.value(0), query.value(1), query.value(2), query.value(3)};
}

int BasesFixture::pointCount(qint64 meterNum) {
  QSqlQuery query = select(*dm_, "select count(*) from slave where Num = ?", {meterNum}, "slave");
  query.next();
  return query.value(0).toInt();
}

void BasesFixture::addPoints(qint64 meterNum, int count) {
  for (int i = 1; i <= count; ++i)
    dm_->connection()->executeWrite(Statement{
        "insert into slave (Num, Voltage, Tok, Count) values (?, 100, 100, ?)", {meterNum, i}, "slave"});
}

QLineEdit* BasesFixture::editorField(const char* name) {
  auto* field = editor_->findChild<QLineEdit*>(QString::fromLatin1(name));
  if (!field) qFatal("no field %s", name);
  return field;
}

QCheckBox* BasesFixture::slot(int n) { return editor_->slotBoxes[n]; }

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

void BasesFixture::clickSlot(int n, Qt::MouseButton button) {
  QCheckBox* box = slot(n);
  QStyleOptionButton option;
  option.initFrom(box);
  const QPoint indicator = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box).center();
  QTest::mouseClick(box, button, Qt::NoModifier, indicator);
}

void BasesFixture::createBaseByName(const QString& name) {
  widgets::child<QAction>(mainWindow_, "createBaseAction")->trigger();  // "Создать базу"
  QVERIFY(QTest::qWaitForWindowActive(nameDialog_.get()));
  auto* edit = nameDialog_->findChild<QLineEdit*>("nameEdit");
  typeText(edit, name);
  pressEnter(edit);
  QVERIFY(QTest::qWaitForWindowActive(editor_.get()));
}

void BasesFixture::fillMeter(const QString& number, const QString& type, const QString& year,
                             const QString& user, const QString& maker) {
  fill(editorField("serialNumberEdit"), number);
  fill(editorField("meterTypeEdit"), type);
  fill(editorField("yearEdit"), year);
  fill(editorField("ownerEdit"), user);
  fill(editorField("makerEdit"), maker);
}

void BasesFixture::putMeter(int n, const QString& number, const QString& type, const QString& year) {
  clickSlot(n, Qt::RightButton);  // chooses the slot without ticking it
  fillMeter(number, type, year);
  clickSlot(n);
}
