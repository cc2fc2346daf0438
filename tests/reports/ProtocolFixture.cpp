#include "reports/ProtocolFixture.h"

#include <QDir>
#include <QFile>
#include <QLocale>

#include "database/Statements.h"
#include "reports/WordProtocols.h"
#include "settings/DayCount.h"
#include "settings/SettingsRecords.h"
#include "workspace/MainWindow.h"

#include <QTest>

ProtocolFixture::ProtocolFixture() {
  QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
  writeTemplate(QStringLiteral("look.doc"), shippedTemplate(QStringLiteral("look.doc")));
  writeTemplate(QStringLiteral("Glook.doc"), shippedTemplate(QStringLiteral("Glook.doc")));
  Installation = {};
  Installation.InstallNumber = QStringLiteral("1234");
  Installation.CertNumber = QStringLiteral("С-77");
  Installation.CertDate = daysFromDate(QDate(2024, 1, 15));
  Installation.CertValidTo = daysFromDate(QDate(2025, 1, 15));
  saveInstallationInfo();
  Config = {};
  setProtocolNumber(QStringLiteral("9"), true);
}

ProtocolFixture::~ProtocolFixture() { QLocale::setDefault(QLocale::system()); }

QString ProtocolFixture::singleReport() { return singleWordReport(*dm, selection); }
QString ProtocolFixture::groupReport() { return groupWordReport(*dm, selection); }

std::unique_ptr<MainWindow> ProtocolFixture::showMainWindow() {
  auto window = std::make_unique<MainWindow>(*dm, selection);
  MainWindow* main = window.get();
  main->hooks.singleWordReport = [this, main] { main->noteSavedDocument(singleReport()); };
  main->hooks.groupWordReport = [this, main] { main->noteSavedDocument(groupReport()); };
  main->show();
  if (!QTest::qWaitForWindowExposed(main)) qFatal("main window not shown");
  return window;
}

qint64 ProtocolFixture::addBase(const QString& name, const QVariant& voltage, const QVariant& current,
                                const QVariant& accuracyClass) {
  dm->bases->close();  // chosenBase then shows the whole table
  dm->chosenBase->append();
  dm->chosenBase->fieldByName("NameBase").setText(name);
  dm->chosenBase->fieldByName("Nvoltage").setValue(voltage);
  dm->chosenBase->fieldByName("NTok").setValue(current);
  dm->chosenBase->fieldByName("KlasT").setValue(accuracyClass);
  dm->chosenBase->fieldByName("Pered").setReal(1600);
  dm->chosenBase->post();
  return dm->chosenBase->fieldByName("Num").asInteger();
}

qint64 ProtocolFixture::addMeter(const QString& base, int slot, const QString& serialNumber, bool inUse,
                                 const QVariant& previousVerification) {
  dm->meters->close();  // chosenMeter then shows the whole table
  dm->chosenMeter->append();
  dm->chosenMeter->fieldByName("Base").setText(base);
  dm->chosenMeter->fieldByName("NumberCh").setInteger(slot);
  dm->chosenMeter->fieldByName("MyVisible").setBool(inUse);
  dm->chosenMeter->fieldByName("Tip").setText(QStringLiteral("СО-505"));
  dm->chosenMeter->fieldByName("MyNumber").setText(serialNumber);
  dm->chosenMeter->fieldByName("MyYear").setInteger(2019);
  dm->chosenMeter->fieldByName("MyUser").setText(QStringLiteral("\"Рога & Ко\" <НИИ>"));
  dm->chosenMeter->fieldByName("MyMaker").setText(QStringLiteral("Завод 'Энергомера'"));
  dm->chosenMeter->fieldByName("Olddate").setValue(previousVerification);
  dm->chosenMeter->post();
  return dm->chosenMeter->fieldByName("Num").asInteger();
}

void ProtocolFixture::addPoint(qint64 meterNum, const Point& point) {
  if (!dm->testPoints->isOpen()) dm->testPoints->open();
  dm->testPoints->append();
  dm->testPoints->fieldByName("Num").setInteger(meterNum);
  dm->testPoints->fieldByName("Voltage").setValue(point.voltage);
  dm->testPoints->fieldByName("Tok").setValue(point.current);
  dm->testPoints->fieldByName("KM").setValue(point.powerFactor);
  dm->testPoints->fieldByName("Opogr").setValue(point.error);
  dm->testPoints->fieldByName("Date").setDate(QDate(2024, 3, 5));
  dm->testPoints->fieldByName("Rep").setText(point.mark);
  dm->testPoints->fieldByName("Count").setInteger(point.count);
  dm->testPoints->post();
}

void ProtocolFixture::addMarkedPoints(qint64 meterNum, int count, double firstError) {
  Connection::Transaction transaction(db());
  for (int i = 0; i < count; ++i) {
    Point point;
    point.current = 5 + i;
    point.error = firstError + 0.01 * i;
    point.count = i + 1;
    addPoint(meterNum, point);
  }
  transaction.commit();
}

void ProtocolFixture::chooseMeter(const QString& base, int slot) {
  selection.setBaseName(base);
  selection.setSlot(slot);
  dm->testPoints->close();
  dm->meters->reopen(Statements::meterInSlotInUse(base, slot));
  selection.setMeterNum(dm->meters->isEmpty() ? 0
                                              : static_cast<int>(dm->meters->fieldByName("Num").asInteger()));
  dm->bases->reopen(Statements::baseByName(base));
  dm->testPoints->open();
  dm->markedPoints->reopen(Statements::markedPointsOfMeter(selection.meterNum()));
  selection.setMarkedCount(dm->markedPoints->recordCount());
}

void ProtocolFixture::setProtocolNumber(const QString& number, bool automatic) {
  loadProgramConfig();
  Config.ProtocolNumber = number;
  Config.AutoIncrement = automatic ? 1 : 0;
  saveProgramConfig();
}

QString ProtocolFixture::storedProtocolNumber() {
  loadProgramConfig();
  return Config.ProtocolNumber;
}

QByteArray ProtocolFixture::shippedTemplate(const QString& name) {
  QFile file(sourceTreePath(QStringLiteral("data/sources/") + name));
  if (!file.open(QIODevice::ReadOnly)) qFatal("shipped template %s missing", qPrintable(name));
  return file.readAll();
}

void ProtocolFixture::writeTemplate(const QString& name, const QByteArray& bytes) {
  QFile file(dir.filePath(QStringLiteral("sources/") + name));
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
    qFatal("cannot write template %s", qPrintable(name));
}

void ProtocolFixture::removeTemplate(const QString& name) {
  QFile::remove(dir.filePath(QStringLiteral("sources/") + name));
}

QString ProtocolFixture::nativePath(const QString& relative) const {
  return QDir::toNativeSeparators(dir.filePath(relative));
}

QStringList ProtocolFixture::savedProtocols() const {
  return QDir(dir.filePath(QStringLiteral("protocols"))).entryList(QDir::Files, QDir::Name);
}

QString todayText() { return QLocale().toString(QDate::currentDate(), QLocale::ShortFormat); }
