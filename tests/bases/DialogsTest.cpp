#include <QCheckBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTest>

#include "support/Keyboard.h"
#include "support/TempProgramDir.h"
#include "support/TestRegistry.h"

#include "bases/AboutDialog.h"
#include "bases/InstallationDialog.h"
#include "bases/ProtocolNumberDialog.h"
#include "settings/DayCount.h"
#include "settings/SettingsRecords.h"
#include "settings/Version.h"
#include "ui/MessageService.h"

namespace {

template <class Control>
Control* find(QWidget& window, const char* name) {
  auto* control = window.findChild<Control*>(QString::fromLatin1(name));
  if (!control) qFatal("control %s missing", name);
  return control;
}

QByteArray fileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Clicks the control and types text as key presses into the focus widget,
// Cyrillic and backspace ("\b") included.
void typeText(QWidget* control, const QString& text) {
  if (!keyboard::clickToFocus(control)) QFAIL("the control does not take the focus");
  keyboard::press(Qt::Key_End);
  keyboard::type(text);
}

enum class CloseBy { Escape, Enter, Button, CloseBox };

void closeDialog(QWidget& dialog, QWidget* focus, CloseBy way, const char* button) {
  switch (way) {
    case CloseBy::Escape:
    case CloseBy::Enter:
      // A field is clicked into; a button keeps the focus the dialog gave it.
      if (!QTest::qWaitForWindowActive(&dialog)) QFAIL("the dialog is not active");
      if (!qobject_cast<QAbstractButton*>(focus) && !focus->hasFocus() && !keyboard::clickToFocus(focus))
        QFAIL("the control does not take the focus");
      keyboard::press(way == CloseBy::Escape ? Qt::Key_Escape : Qt::Key_Return);
      break;
    case CloseBy::Button:
      QTest::mouseClick(find<QPushButton>(dialog, button), Qt::LeftButton);
      break;
    case CloseBy::CloseBox:
      dialog.close();
      break;
  }
}

}  // namespace

Q_DECLARE_METATYPE(CloseBy)

class DialogsTest : public QObject {
  Q_OBJECT
 private slots:
  void init();

  void protocolNumberOpens();
  void protocolNumberTakesDigitsOnly_data();
  void protocolNumberTakesDigitsOnly();
  void protocolNumberStoredWhicheverWayClosed_data();
  void protocolNumberStoredWhicheverWayClosed();
  void protocolNumberWriteFailureReleasesOpener();

  void installationOpens();
  void installationCancelStoresNothing_data();
  void installationCancelStoresNothing();
  void installationOkStores_data();
  void installationOkStores();
  void installationDatesKeepCentury_data();
  void installationDatesKeepCentury();

  void aboutBox();
  void aboutBoxCloses_data();
  void aboutBoxCloses();

 private:
  QWidget opener_;
};

void DialogsTest::init() {
  Installation = {};
  Config = {};
  opener_.setEnabled(true);
  opener_.show();
}

// --- protocol number ---------------------------------------------------------

void DialogsTest::protocolNumberOpens() {
  TempProgramDir dir;
  Config.ProtocolNumber = QStringLiteral("1234567");  // longer than the operator may type: kept whole
  Config.AutoIncrement = 1;
  saveProgramConfig();
  Config = {};

  ProtocolNumberDialog dialog;
  dialog.open(&opener_);
  QVERIFY(dialog.isVisible());
  QVERIFY(!opener_.isEnabled());
  QCOMPARE(find<QLineEdit>(dialog, "numberEdit")->text(), QStringLiteral("1234567"));
  QVERIFY(find<QCheckBox>(dialog, "autoIncrementBox")->isChecked());
  QTRY_VERIFY(find<QLineEdit>(dialog, "numberEdit")->hasFocus());
  QCOMPARE(find<QPushButton>(dialog, "okButton")->text(), QStringLiteral("ОК"));
  dialog.close();
}

void DialogsTest::protocolNumberTakesDigitsOnly_data() {
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("shown");
  QTest::newRow("letters refused") << QStringLiteral("12аб3x4 -.") << QStringLiteral("1234");
  QTest::newRow("six digits at most") << QStringLiteral("12345678") << QStringLiteral("123456");
  QTest::newRow("backspace") << QStringLiteral("129\b3") << QStringLiteral("123");
}

void DialogsTest::protocolNumberTakesDigitsOnly() {
  QFETCH(QString, typed);
  QFETCH(QString, shown);
  TempProgramDir dir;
  ProtocolNumberDialog dialog;
  dialog.open(&opener_);
  auto* edit = find<QLineEdit>(dialog, "numberEdit");
  edit->clear();
  typeText(edit, typed);
  QCOMPARE(edit->text(), shown);
  dialog.close();
}

void DialogsTest::protocolNumberStoredWhicheverWayClosed_data() {
  QTest::addColumn<CloseBy>("way");
  QTest::newRow("Esc") << CloseBy::Escape;
  QTest::newRow("Enter") << CloseBy::Enter;
  QTest::newRow("ОК") << CloseBy::Button;
  QTest::newRow("close box") << CloseBy::CloseBox;
}

void DialogsTest::protocolNumberStoredWhicheverWayClosed() {
  QFETCH(CloseBy, way);
  TempProgramDir dir;
  Config.ActiveTab = 1;
  Config.PowerVoltage = QStringLiteral("220");
  Config.ProtocolNumber = QStringLiteral("17");
  Config.AutoIncrement = 1;
  saveProgramConfig();
  Config = {};

  ProtocolNumberDialog dialog;
  dialog.open(&opener_);
  auto* edit = find<QLineEdit>(dialog, "numberEdit");
  typeText(edit, QStringLiteral("\b95"));
  find<QCheckBox>(dialog, "autoIncrementBox")->setChecked(false);
  closeDialog(dialog, edit, way, "okButton");

  QVERIFY(!dialog.isVisible());
  QVERIFY(opener_.isEnabled());
  Config = {};
  loadProgramConfig();
  QCOMPARE(Config.ProtocolNumber, QStringLiteral("195"));
  QCOMPARE(Config.AutoIncrement, quint8(0));
  // The rest of the record is written back as it was.
  QCOMPARE(Config.ActiveTab, quint8(1));
  QCOMPARE(Config.PowerVoltage, QStringLiteral("220"));
}

void DialogsTest::protocolNumberWriteFailureReleasesOpener() {
  TempProgramDir dir;
  ProtocolNumberDialog dialog;
  dialog.open(&opener_);
  QVERIFY(QFile::remove(dir.filePath(kProgramConfigFile)));
  QVERIFY(QDir(dir.path()).rmdir(QStringLiteral("sources")));
  MessageService::ScriptedAnswers answers;
  QVERIFY(keyboard::clickToFocus(find<QLineEdit>(dialog, "numberEdit")));
  keyboard::press(Qt::Key_Escape);
  QCOMPARE(answers.shown().size(), size_t(1));
  QVERIFY(answers.shown()[0].text.contains(QStringLiteral("config.prt")));
  // The operator is told; the dialog still closes and the main window is usable again.
  QVERIFY(!dialog.isVisible());
  QVERIFY(opener_.isEnabled());
}

// --- installation information -------------------------------------------------

namespace {

void storeSampleInstallation() {
  Installation.InstallNumber = QStringLiteral("У-17");
  Installation.CertNumber = QStringLiteral("С123");
  Installation.CertDate = 45000.5;  // 15.03.2023 12:00
  Installation.CertValidTo = 45366.0;
  saveInstallationInfo();
  Installation = {};
}

}  // namespace

void DialogsTest::installationOpens() {
  TempProgramDir dir;
  storeSampleInstallation();
  InstallationDialog dialog;
  dialog.open(&opener_);
  QCOMPARE(dialog.windowTitle(), QStringLiteral("Сведения о установке"));
  QVERIFY(dialog.isVisible());
  QVERIFY(!opener_.isEnabled());
  QCOMPARE(find<QLineEdit>(dialog, "installationNumberEdit")->text(), QStringLiteral("У-17"));
  QCOMPARE(find<QLineEdit>(dialog, "certificateNumberEdit")->text(), QStringLiteral("С123"));
  QCOMPARE(find<QDateEdit>(dialog, "certificateDateEdit")->date(), QDate(2023, 3, 15));
  QCOMPARE(find<QDateEdit>(dialog, "validUntilEdit")->date(), QDate(2024, 3, 15));
  QVERIFY(find<QDateEdit>(dialog, "certificateDateEdit")->calendarPopup());
  QTRY_VERIFY(find<QLineEdit>(dialog, "installationNumberEdit")->hasFocus());
  dialog.close();
  QVERIFY(opener_.isEnabled());
}

void DialogsTest::installationCancelStoresNothing_data() {
  QTest::addColumn<CloseBy>("way");
  QTest::newRow("Отмена") << CloseBy::Button;
  QTest::newRow("Esc") << CloseBy::Escape;
  QTest::newRow("close box") << CloseBy::CloseBox;
}

void DialogsTest::installationCancelStoresNothing() {
  QFETCH(CloseBy, way);
  TempProgramDir dir;
  storeSampleInstallation();
  const QByteArray before = fileBytes(dir.filePath(kInstallationInfoFile));

  InstallationDialog dialog;
  dialog.open(&opener_);
  auto* number = find<QLineEdit>(dialog, "installationNumberEdit");
  typeText(number, QStringLiteral("999"));
  find<QDateEdit>(dialog, "certificateDateEdit")->setDate(QDate(2020, 1, 1));
  closeDialog(dialog, number, way, "cancelButton");

  QVERIFY(!dialog.isVisible());
  QVERIFY(opener_.isEnabled());
  QCOMPARE(fileBytes(dir.filePath(kInstallationInfoFile)), before);
  dialog.open(&opener_);
  QCOMPARE(number->text(), QStringLiteral("У-17"));
  QCOMPARE(find<QDateEdit>(dialog, "certificateDateEdit")->date(), QDate(2023, 3, 15));
  dialog.close();
}

void DialogsTest::installationOkStores_data() {
  QTest::addColumn<CloseBy>("way");
  QTest::newRow("OK") << CloseBy::Button;
  QTest::newRow("Enter") << CloseBy::Enter;
}

void DialogsTest::installationOkStores() {
  QFETCH(CloseBy, way);
  TempProgramDir dir;
  storeSampleInstallation();
  InstallationDialog dialog;
  dialog.open(&opener_);
  auto* number = find<QLineEdit>(dialog, "installationNumberEdit");
  number->clear();
  typeText(number, QStringLiteral("СТ-2024-0001-99"));  // at most 10 characters
  find<QDateEdit>(dialog, "certificateDateEdit")->setDate(QDate(2024, 2, 29));
  closeDialog(dialog, number, way, "okButton");

  QVERIFY(!dialog.isVisible());
  QVERIFY(opener_.isEnabled());
  Installation = {};
  loadInstallationInfo();
  QCOMPARE(Installation.InstallNumber, QStringLiteral("СТ-2024-00"));
  QCOMPARE(Installation.CertNumber, QStringLiteral("С123"));
  // The new date keeps the stored time of day; the untouched date is kept exactly.
  QCOMPARE(dateTimeFromDays(Installation.CertDate), QDateTime(QDate(2024, 2, 29), QTime(12, 0), Qt::UTC));
  QCOMPARE(Installation.CertValidTo, 45366.0);

  dialog.open(&opener_);
  QCOMPARE(number->text(), QStringLiteral("СТ-2024-00"));
  QCOMPARE(find<QDateEdit>(dialog, "certificateDateEdit")->date(), QDate(2024, 2, 29));
  dialog.close();
}

void DialogsTest::installationDatesKeepCentury_data() {
  QTest::addColumn<QLocale>("locale");
  QTest::newRow("Russian") << QLocale(QLocale::Russian, QLocale::Russia);
  QTest::newRow("American two-digit year") << QLocale(QLocale::English, QLocale::UnitedStates);
  QTest::newRow("German two-digit year") << QLocale(QLocale::German, QLocale::Germany);
}

void DialogsTest::installationDatesKeepCentury() {
  QFETCH(QLocale, locale);
  const QLocale previous;
  QLocale::setDefault(locale);
  TempProgramDir dir;
  Installation.CertDate = daysFromDate(QDate(2031, 6, 30));
  saveInstallationInfo();
  InstallationDialog dialog;
  dialog.open(&opener_);
  auto* picker = find<QDateEdit>(dialog, "certificateDateEdit");
  QVERIFY2(picker->text().contains(QStringLiteral("2031")), qPrintable(picker->text()));
  QVERIFY(keyboard::clickToFocus(picker));
  keyboard::press(Qt::Key_Return);  // OK: the date must come back unchanged
  QVERIFY(!dialog.isVisible());
  QLocale::setDefault(previous);
  loadInstallationInfo();
  QCOMPARE(dateFromDays(Installation.CertDate), QDate(2031, 6, 30));
}

// --- about box ------------------------------------------------------------------

void DialogsTest::aboutBox() {
  AboutDialog box;
  box.open(&opener_);
  QCOMPARE(box.windowTitle(), QStringLiteral("О программе ВТ3417"));
  QVERIFY(!opener_.isEnabled());
  const QPixmap picture = find<QLabel>(box, "pictureLabel")->pixmap();
  QCOMPARE(picture.size(), QSize(50, 184));
  QStringList texts;
  for (const QLabel* label : box.findChildren<QLabel*>()) texts << label->text();
  QVERIFY(texts.contains(QStringLiteral("Обеспечивает сбор, протоколирование ")));
  QVERIFY(texts.contains(QStringLiteral("и   хранение   результатов   измерений. ")));
  // The version comes from the build, the one the package carries.
  const QString version = QStringLiteral("Версия %1.").arg(QString::fromLatin1(programVersion()));
  QVERIFY2(texts.filter(version).size() == 1, qPrintable(texts.join(u'|')));
  QVERIFY(texts.filter(QStringLiteral("%1")).isEmpty());
  box.close();
}

void DialogsTest::aboutBoxCloses_data() {
  QTest::addColumn<CloseBy>("way");
  QTest::newRow("OK") << CloseBy::Button;
  QTest::newRow("Enter") << CloseBy::Enter;
  QTest::newRow("Esc") << CloseBy::Escape;
  QTest::newRow("close box") << CloseBy::CloseBox;
}

void DialogsTest::aboutBoxCloses() {
  QFETCH(CloseBy, way);
  AboutDialog box;
  box.open(&opener_);
  closeDialog(box, find<QPushButton>(box, "okButton"), way, "okButton");
  QVERIFY(!box.isVisible());
  QVERIFY(opener_.isEnabled());
}

VT3417_REGISTER_TEST(DialogsTest)
#include "DialogsTest.moc"
