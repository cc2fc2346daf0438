#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTest>

#include <cmath>
#include <limits>
#include <stdexcept>

#include "support/TempProgramDir.h"
#include "support/TestRegistry.h"

#include "settings/Settings.h"

namespace {

// A record image prepared by hand: `fill` everywhere, then the listed bytes
// (hex) at their offsets.
struct Patch {
  int offset;
  const char* hex;
};

QByteArray image(int size, char fill, std::initializer_list<Patch> patches) {
  QByteArray image(size, fill);
  for (const Patch& patch : patches) {
    const QByteArray bytes = QByteArray::fromHex(patch.hex);
    image.replace(patch.offset, bytes.size(), bytes);
  }
  return image;
}

// InstallationInfo: "123"; "АБ-42" in Windows-1251; 15.03.2023 12:00;
// 29.12.1899 06:00 (negative days); reserve string 1 "r1", the others empty.
QByteArray installationImage(char fill) {
  return image(InstallationInfo::kSize, fill,
               {{0, "03 31 32 33"},
                {11, "05 c0 c1 2d 34 32"},
                {24, "00 00 00 00 10 f9 e5 40"},
                {32, "00 00 00 00 00 00 f4 bf"},
                {40, "02 72 31"},
                {51, "00"},
                {62, "00"},
                {73, "00"},
                {84, "00"},
                {95, "00"},
                {106, "00"},
                {117, "00"},
                {128, "00"},
                {139, "00"}});
}

InstallationInfo installationFields() {
  InstallationInfo record;
  record.InstallNumber = QStringLiteral("123");
  record.CertNumber = QStringLiteral("АБ-42");
  record.CertDate = 45000.5;
  record.CertValidTo = -1.25;
  record.InstallReserve[0] = QStringLiteral("r1");
  return record;
}

// ProgramConfig: Com2, error tab, every byte field distinct, short strings of
// each capacity filled to the brim, protocol number "№17", auto-increment on.
QByteArray configImage(char fill) {
  return image(ProgramConfig::kSize, fill,
               {{0, "01 02 01 05"},
                {4, "03 32 32 30"},
                {15, "0a 31 32 33 34 35 36 37 38 39 30"},
                {26, "05 39 39 39 39 39"},
                {32, "03 31 32 30"},
                {36, "02 04"},
                {38, "04 35 37 2e 37"},
                {49, "01 03"},
                {51, "01 35"},
                {55, "00"},
                {66, "00"},
                {77, "00"},
                {88, "00"},
                {99, "00"},
                {110, "00"},
                {121, "00"},
                {132, "00"},
                {143, "00"},
                {154, "03 e0 e1 ff"},
                {165, "03 b9 31 37"},
                {176, "01"}});
}

ProgramConfig configFields() {
  ProgramConfig record;
  record.ComPort = 1;
  record.ActiveTab = 2;
  record.PowerKind = 1;
  record.PowerScheme = 5;
  record.PowerVoltage = QStringLiteral("220");
  record.PowerCurrent = QStringLiteral("1234567890");
  record.PowerDivisions = QStringLiteral("99999");
  record.PowerTime = QStringLiteral("120");
  record.EnergyKind = 2;
  record.EnergyScheme = 4;
  record.EnergyVoltage = QStringLiteral("57.7");
  record.ErrorKind = 1;
  record.ErrorScheme = 3;
  record.ErrorTime = QStringLiteral("5");
  record.ConfigReserve[9] = QStringLiteral("абя");
  record.ProtocolNumber = QStringLiteral("№17");
  record.AutoIncrement = 1;
  return record;
}

QByteArray readFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  QCOMPARE(file.write(bytes), bytes.size());
}

enum class Which { Installation, Config };

QString fileOf(Which which) {
  return which == Which::Installation ? kInstallationInfoFile : kProgramConfigFile;
}

void load(Which which) {
  if (which == Which::Installation) {
    loadInstallationInfo();
  } else {
    loadProgramConfig();
  }
}

QByteArray memoryImage(Which which) {
  return which == Which::Installation ? encodeInstallationInfo(Installation) : encodeProgramConfig(Config);
}

}  // namespace

Q_DECLARE_METATYPE(Which)

class SettingsRecordsTest : public QObject {
  Q_OBJECT
 private slots:
  void init();
  void goldenBytesRead();
  void goldenBytesWritten();
  void fileRules_data();
  void fileRules();
  void roundTripCutsToCapacity();
  void lengthByteBeyondCapacity();
  void damagedFileKeepsPortChoice();
  void writeFailureNamesFile();
  void writeProtectedFileIsKept();
  void unreadableFileIsReportedNotReplaced_data();
  void unreadableFileIsReportedNotReplaced();
  void fileCanOpen_data();
  void fileCanOpen();
  void dayCount_data();
  void dayCount();
  void meterCaptions();
};

void SettingsRecordsTest::init() {
  Installation = {};
  Config = {};
}

void SettingsRecordsTest::goldenBytesRead() {
  // Padding and the unused characters may hold anything.
  QCOMPARE(decodeInstallationInfo(installationImage('\xAA')), installationFields());
  QCOMPARE(decodeProgramConfig(configImage('\x5C')), configFields());
}

void SettingsRecordsTest::goldenBytesWritten() {
  // Written under a locale with "," as decimal separator: nothing may depend on it.
  const QLocale previous;
  QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
  TempProgramDir dir;
  Installation = installationFields();
  Config = configFields();
  saveInstallationInfo();
  saveProgramConfig();
  QLocale::setDefault(previous);
  QCOMPARE(readFile(dir.filePath(QStringLiteral("sources/file.ust"))).toHex(' '),
           installationImage('\0').toHex(' '));
  QCOMPARE(readFile(dir.filePath(QStringLiteral("sources/config.prt"))).toHex(' '),
           configImage('\0').toHex(' '));
}

void SettingsRecordsTest::fileRules_data() {
  QTest::addColumn<Which>("which");
  QTest::addColumn<QByteArray>("fileBefore");  // null: no file
  QTest::addColumn<QByteArray>("loaded");      // image of the record in memory after loading
  QTest::addColumn<QByteArray>("fileAfter");   // null: no file

  const QByteArray none;
  const QByteArray installZero(InstallationInfo::kSize, '\0');
  const QByteArray configZero(ProgramConfig::kSize, '\0');
  QTest::newRow("installation missing: zero record written")
      << Which::Installation << none << installZero << installZero;
  QTest::newRow("config missing: zero record written") << Which::Config << none << configZero << configZero;

  InstallationInfo installDefaults;
  installDefaults.CertDate = installDefaults.CertValidTo = daysFromDate(QDate::currentDate());
  QTest::newRow("installation 10 bytes: defaults, file deleted")
      << Which::Installation << QByteArray(10, '\x31') << encodeInstallationInfo(installDefaults) << none;
  ProgramConfig configDefaults;
  configDefaults.ActiveTab = 2;
  configDefaults.ProtocolNumber = QStringLiteral("1");
  configDefaults.AutoIncrement = 1;
  QTest::newRow("config 10 bytes: defaults, file deleted")
      << Which::Config << QByteArray(10, '\x31') << encodeProgramConfig(configDefaults) << none;
  QTest::newRow("config empty file: defaults, file deleted")
      << Which::Config << QByteArray("") << encodeProgramConfig(configDefaults) << none;

  const QByteArray longInstallation = installationImage('\x77') + QByteArray(48, '\x01');
  QTest::newRow("installation 200 bytes: first record, file unchanged")
      << Which::Installation << longInstallation << installationImage('\0') << longInstallation;
  const QByteArray longConfig = configImage('\x77') + QByteArray(23, '\x01');
  QTest::newRow("config 200 bytes: first record, file unchanged")
      << Which::Config << longConfig << configImage('\0') << longConfig;
}

void SettingsRecordsTest::fileRules() {
  QFETCH(Which, which);
  QFETCH(QByteArray, fileBefore);
  QFETCH(QByteArray, loaded);
  QFETCH(QByteArray, fileAfter);
  TempProgramDir dir;
  const QString path = dir.filePath(fileOf(which));
  if (!fileBefore.isNull()) writeFile(path, fileBefore);

  load(which);

  QCOMPARE(memoryImage(which).toHex(' '), loaded.toHex(' '));
  QCOMPARE(QFile::exists(path), !fileAfter.isNull());
  if (!fileAfter.isNull()) QCOMPARE(readFile(path).toHex(' '), fileAfter.toHex(' '));
  if (fileAfter.isNull()) {
    // The next load finds the file missing and writes the defaults then.
    load(which);
    QCOMPARE(readFile(path).toHex(' '), loaded.toHex(' '));
  }
}

void SettingsRecordsTest::roundTripCutsToCapacity() {
  TempProgramDir dir;
  Config = configFields();
  Config.PowerTime = QStringLiteral("12345");              // capacity 3
  Config.ProtocolNumber = QStringLiteral("Ёж中12345678");  // capacity 10, one character outside Windows-1251
  Installation.InstallNumber = QStringLiteral("СТ3416-0001-X");
  saveProgramConfig();
  saveInstallationInfo();
  Config = {};
  Installation = {};
  loadProgramConfig();
  loadInstallationInfo();
  QCOMPARE(Config.PowerTime, QStringLiteral("123"));
  QCOMPARE(Config.ProtocolNumber, QStringLiteral("Ёж?1234567"));
  QCOMPARE(Config.EnergyVoltage, QStringLiteral("57.7"));
  QCOMPARE(Installation.InstallNumber, QStringLiteral("СТ3416-000"));
  QCOMPARE(QFileInfo(dir.filePath(kProgramConfigFile)).size(), ProgramConfig::kSize);
}

void SettingsRecordsTest::lengthByteBeyondCapacity() {
  // A damaged length byte must not read into the next field.
  QByteArray image = configImage('\0');
  image[32] = '\xFF';  // PowerTime claims 255 characters
  const ProgramConfig record = decodeProgramConfig(image);
  QCOMPARE(record.PowerTime, QStringLiteral("120"));
  QCOMPARE(record.EnergyKind, quint8(2));
}

void SettingsRecordsTest::damagedFileKeepsPortChoice() {
  TempProgramDir dir;
  Config.ComPort = 1;
  Config.ActiveTab = 0;
  writeFile(dir.filePath(kProgramConfigFile), QByteArray(10, '\0'));
  loadProgramConfig();
  QCOMPARE(Config.ComPort, quint8(1));
  QCOMPARE(Config.ActiveTab, quint8(2));
}

void SettingsRecordsTest::writeFailureNamesFile() {
  TempProgramDir dir;
  QVERIFY(QDir(dir.path()).rmdir(QStringLiteral("sources")));
  try {
    loadProgramConfig();  // missing file: written from memory, but there is no "sources"
    QFAIL("no error raised");
  } catch (const std::runtime_error& error) {
    const QString text = QString::fromUtf8(error.what());
    QVERIFY2(text.contains(QStringLiteral("config.prt")), qPrintable(text));
    QVERIFY2(text.startsWith(QStringLiteral("Не удалось записать")), qPrintable(text));
  }
}

void SettingsRecordsTest::writeProtectedFileIsKept() {
  TempProgramDir dir;
  const QString path = dir.filePath(kInstallationInfoFile);
  const QByteArray before = installationImage('\0');
  writeFile(path, before);
  QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
  if (QFileInfo(path).isWritable()) QSKIP("running with rights that ignore write protection");
  Installation.InstallNumber = QStringLiteral("999");
  QVERIFY_THROWS_EXCEPTION(std::runtime_error, saveInstallationInfo());
  QCOMPARE(readFile(path), before);
}

namespace {
enum class Unreadable { Folder, NoReadPermission, LinkToNothing };
}

void SettingsRecordsTest::unreadableFileIsReportedNotReplaced_data() {
  QTest::addColumn<Which>("which");
  QTest::addColumn<int>("unreadable");
  QTest::newRow("file.ust, a folder in its place") << Which::Installation << int(Unreadable::Folder);
  QTest::newRow("config.prt, a folder in its place") << Which::Config << int(Unreadable::Folder);
  QTest::newRow("config.prt, no read permission") << Which::Config << int(Unreadable::NoReadPermission);
  QTest::newRow("config.prt, a link to nothing") << Which::Config << int(Unreadable::LinkToNothing);
}

// Only a file that is not there gets the defaults: one that is there but
// cannot be read is named in the error and left as it is, and the values in
// memory stay those of the last good read.
void SettingsRecordsTest::unreadableFileIsReportedNotReplaced() {
  QFETCH(Which, which);
  QFETCH(int, unreadable);
  TempProgramDir dir;
  const QString path = dir.filePath(fileOf(which));
  Config = decodeProgramConfig(configImage('\0'));
  Installation = decodeInstallationInfo(installationImage('\0'));
  const QByteArray inMemory = memoryImage(which);
  switch (Unreadable(unreadable)) {
    case Unreadable::Folder:
      QVERIFY(QDir().mkpath(path + "/inside"));
      break;
    case Unreadable::NoReadPermission:
      writeFile(path, QByteArray(ProgramConfig::kSize, '\x07'));
      QFile::setPermissions(path, QFile::WriteOwner);
      if (QFileInfo(path).isReadable()) QSKIP("running with rights that ignore read protection");
      break;
    case Unreadable::LinkToNothing:
      QVERIFY(QFile::link(dir.filePath("sources/share/config.prt"), path));
      break;
  }
  try {
    load(which);
    QFAIL("no error raised");
  } catch (const std::runtime_error& error) {
    const QString text = QString::fromUtf8(error.what());
    QVERIFY2(text.startsWith(QStringLiteral("Не удалось прочитать файл настроек")), qPrintable(text));
    QVERIFY2(text.contains(QDir::toNativeSeparators(path)), qPrintable(text));
  }
  QCOMPARE(memoryImage(which), inMemory);
  const QFileInfo after(path);
  switch (Unreadable(unreadable)) {
    case Unreadable::Folder:
      QVERIFY(after.isDir() && QFileInfo::exists(path + "/inside"));
      break;
    case Unreadable::NoReadPermission:
      QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
      QCOMPARE(readFile(path), QByteArray(ProgramConfig::kSize, '\x07'));
      break;
    case Unreadable::LinkToNothing:
      QVERIFY(after.isSymLink() && !after.exists());
      break;
  }
}

void SettingsRecordsTest::fileCanOpen_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<bool>("expected");
  QTest::newRow("empty name") << QString() << false;
  QTest::newRow("missing file") << QStringLiteral("sources/none.prt") << false;
  QTest::newRow("directory") << QStringLiteral("sources") << false;
  QTest::newRow("existing file") << QStringLiteral("sources/look.doc") << true;
}

void SettingsRecordsTest::fileCanOpen() {
  QFETCH(QString, name);
  QFETCH(bool, expected);
  TempProgramDir dir;
  writeFile(dir.filePath(QStringLiteral("sources/look.doc")), "x");
  QCOMPARE(::fileCanOpen(name), expected);
}

void SettingsRecordsTest::dayCount_data() {
  QTest::addColumn<double>("days");
  QTest::addColumn<QDateTime>("dateTime");
  QTest::addColumn<double>("backAgain");
  const auto at = [](int y, int m, int d, int h = 0, int min = 0) {
    return QDateTime(QDate(y, m, d), QTime(h, min), Qt::UTC);
  };
  QTest::newRow("day zero") << 0.0 << at(1899, 12, 30) << 0.0;
  QTest::newRow("noon") << 45000.5 << at(2023, 3, 15, 12) << 45000.5;
  QTest::newRow("new year") << 45292.0 << at(2024, 1, 1) << 45292.0;
  QTest::newRow("evening") << 45657.75 << at(2024, 12, 31, 18) << 45657.75;
  QTest::newRow("before day zero, fraction forward") << -1.25 << at(1899, 12, 29, 6) << -1.25;
  QTest::newRow("rounds up to midnight") << 45291.99999999999 << at(2024, 1, 1) << 45292.0;
  QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << at(1899, 12, 30) << 0.0;
  QTest::newRow("beyond any date") << 1e300 << at(1899, 12, 30) << 0.0;
}

void SettingsRecordsTest::dayCount() {
  QFETCH(double, days);
  QFETCH(QDateTime, dateTime);
  QFETCH(double, backAgain);
  QCOMPARE(dateTimeFromDays(days), dateTime);
  QCOMPARE(dateFromDays(days), dateTime.date());
  QCOMPARE(daysFromDateTime(dateTime), backAgain);
}

void SettingsRecordsTest::meterCaptions() {
  QCOMPARE(::meterCaptions(1), QStringLiteral("Счетчик 1"));
  QCOMPARE(::meterCaptions(8), QStringLiteral("Счетчик 8"));
  QCOMPARE(::meterCaptions(0), QString());
  QCOMPARE(::meterCaptions(9), QString());
}

VT3417_REGISTER_TEST(SettingsRecordsTest)
#include "SettingsRecordsTest.moc"
