#include "reports/ProtocolFixture.h"

#include <QDir>
#include <QFile>
#include <QLocale>

#include "database/Statements.h"
#include "settings/DayCount.h"
#include "settings/SettingsRecords.h"
#include "workspace/Selection.h"

ProtocolFixture::ProtocolFixture() {
  QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
  DM1 = dm.get();
  writeTemplate(QStringLiteral("look.doc"), shippedTemplate(QStringLiteral("look.doc")));
  writeTemplate(QStringLiteral("Glook.doc"), shippedTemplate(QStringLiteral("Glook.doc")));
  Installation = {};
  Installation.InstallNumber = QStringLiteral("1234");
  Installation.CertNumber = QStringLiteral("С-77");
  Installation.CertDate = DaysFromDate(QDate(2024, 1, 15));
  Installation.CertValidTo = DaysFromDate(QDate(2025, 1, 15));
  SaveInstallationInfo();
  Config = {};
  setProtocolNumber(QStringLiteral("9"), true);
}

ProtocolFixture::~ProtocolFixture() {
  DM1 = nullptr;
  ChosenBaseName.clear();
  ChosenMeterNum = 0;
  MarkedPointCount = 0;
  QLocale::setDefault(QLocale::system());
}

qint64 ProtocolFixture::addBase(const QString& name, const QVariant& voltage, const QVariant& current,
                                const QVariant& accuracyClass) {
  dm->QBase->close();  // TBase then shows the whole table
  dm->TBase->append();
  dm->TBase->fieldByName("NameBase").setText(name);
  dm->TBase->fieldByName("Nvoltage").setValue(voltage);
  dm->TBase->fieldByName("NTok").setValue(current);
  dm->TBase->fieldByName("KlasT").setValue(accuracyClass);
  dm->TBase->fieldByName("Pered").setReal(1600);
  dm->TBase->post();
  return dm->TBase->fieldByName("Num").asInteger();
}

qint64 ProtocolFixture::addMeter(const QString& base, int slot, const QString& serialNumber, bool inUse,
                                 const QVariant& previousVerification) {
  dm->QMaster->close();  // TMaster then shows the whole table
  dm->TMaster->append();
  dm->TMaster->fieldByName("Base").setText(base);
  dm->TMaster->fieldByName("NumberCh").setInteger(slot);
  dm->TMaster->fieldByName("MyVisible").setBool(inUse);
  dm->TMaster->fieldByName("Tip").setText(QStringLiteral("СО-505"));
  dm->TMaster->fieldByName("MyNumber").setText(serialNumber);
  dm->TMaster->fieldByName("MyYear").setInteger(2019);
  dm->TMaster->fieldByName("MyUser").setText(QStringLiteral("\"Рога & Ко\" <НИИ>"));
  dm->TMaster->fieldByName("MyMaker").setText(QStringLiteral("Завод 'Энергомера'"));
  dm->TMaster->fieldByName("Olddate").setValue(previousVerification);
  dm->TMaster->post();
  return dm->TMaster->fieldByName("Num").asInteger();
}

void ProtocolFixture::addPoint(qint64 meterNum, const Point& point) {
  if (!dm->TSlave->isOpen()) dm->TSlave->open();
  dm->TSlave->append();
  dm->TSlave->fieldByName("Num").setInteger(meterNum);
  dm->TSlave->fieldByName("Voltage").setValue(point.voltage);
  dm->TSlave->fieldByName("Tok").setValue(point.current);
  dm->TSlave->fieldByName("KM").setValue(point.powerFactor);
  dm->TSlave->fieldByName("Opogr").setValue(point.error);
  dm->TSlave->fieldByName("Date").setDate(QDate(2024, 3, 5));
  dm->TSlave->fieldByName("Rep").setText(point.mark);
  dm->TSlave->fieldByName("Count").setInteger(point.count);
  dm->TSlave->post();
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
  ChosenBaseName = base;
  ChosenSlot = slot;
  dm->TSlave->close();
  dm->QMaster->reopen(Statements::meterInSlotInUse(base, slot));
  ChosenMeterNum = dm->QMaster->isEmpty() ? 0 : static_cast<int>(dm->QMaster->fieldByName("Num").asInteger());
  dm->QBase->reopen(Statements::baseByName(base));
  dm->TSlave->open();
  dm->Query2->reopen(Statements::markedPointsOfMeter(ChosenMeterNum));
  MarkedPointCount = dm->Query2->recordCount();
}

void ProtocolFixture::setProtocolNumber(const QString& number, bool automatic) {
  LoadProgramConfig();
  Config.ProtocolNumber = number;
  Config.AutoIncrement = automatic ? 1 : 0;
  SaveProgramConfig();
}

QString ProtocolFixture::storedProtocolNumber() {
  LoadProgramConfig();
  return Config.ProtocolNumber;
}

QByteArray ProtocolFixture::shippedTemplate(const QString& name) {
  QFile file(SourceTreePath(QStringLiteral("data/sources/") + name));
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

QString TodayText() { return QLocale().toString(QDate::currentDate(), QLocale::ShortFormat); }
