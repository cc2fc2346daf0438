#include "settings/SettingsRecords.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>

#include <algorithm>
#include <bit>
#include <stdexcept>

#include "settings/Cp1251.h"
#include "settings/DayCount.h"
#include "settings/ProgramDir.h"

namespace {

// Reads fields out of a record image of at least the record's size.
class ImageReader {
 public:
  explicit ImageReader(const QByteArray& image) : image_(image) {}

  void byte(int offset, quint8& value) const { value = static_cast<quint8>(image_.at(offset)); }

  void shortString(int offset, int capacity, QString& value) const {
    const int length = std::min<int>(static_cast<quint8>(image_.at(offset)), capacity);
    value = cp1251::decode(image_.mid(offset + 1, length));
  }

  template <size_t N>
  void shortStrings(int offset, int capacity, std::array<QString, N>& values) const {
    for (size_t i = 0; i < N; ++i)
      shortString(offset + static_cast<int>(i) * (capacity + 1), capacity, values[i]);
  }

  void date(int offset, double& value) const {
    value = std::bit_cast<double>(qFromLittleEndian<quint64>(image_.constData() + offset));
  }

 private:
  const QByteArray& image_;
};

// Builds a record image; padding and unused characters stay zero.
class ImageWriter {
 public:
  explicit ImageWriter(int size) : image_(size, '\0') {}

  void byte(int offset, quint8 value) { image_[offset] = static_cast<char>(value); }

  void shortString(int offset, int capacity, const QString& value) {
    const QByteArray characters = cp1251::encode(value).left(capacity);
    image_[offset] = static_cast<char>(characters.size());
    image_.replace(offset + 1, characters.size(), characters);
  }

  template <size_t N>
  void shortStrings(int offset, int capacity, const std::array<QString, N>& values) {
    for (size_t i = 0; i < N; ++i)
      shortString(offset + static_cast<int>(i) * (capacity + 1), capacity, values[i]);
  }

  void date(int offset, double value) {
    qToLittleEndian(std::bit_cast<quint64>(value), image_.data() + offset);
  }

  const QByteArray& image() const { return image_; }

 private:
  QByteArray image_;
};

// The byte layouts, one place for reading and writing.
template <class Record, class Visitor>
void installationInfoLayout(Record& record, Visitor& fields) {
  fields.shortString(0, 10, record.InstallNumber);
  fields.shortString(11, 10, record.CertNumber);
  // 22..23: padding, so that the dates lie on 8-byte boundaries
  fields.date(24, record.CertDate);
  fields.date(32, record.CertValidTo);
  fields.shortStrings(40, 10, record.InstallReserve);
  // 150..151: padding to a multiple of 8
}

template <class Record, class Visitor>
void programConfigLayout(Record& record, Visitor& fields) {
  fields.byte(0, record.ComPort);
  fields.byte(1, record.ActiveTab);
  fields.byte(2, record.PowerKind);
  fields.byte(3, record.PowerScheme);
  fields.shortString(4, 10, record.PowerVoltage);
  fields.shortString(15, 10, record.PowerCurrent);
  fields.shortString(26, 5, record.PowerDivisions);
  fields.shortString(32, 3, record.PowerTime);
  fields.byte(36, record.EnergyKind);
  fields.byte(37, record.EnergyScheme);
  fields.shortString(38, 10, record.EnergyVoltage);
  fields.byte(49, record.ErrorKind);
  fields.byte(50, record.ErrorScheme);
  fields.shortString(51, 3, record.ErrorTime);
  fields.shortStrings(55, 10, record.ConfigReserve);
  fields.shortString(165, 10, record.ProtocolNumber);
  fields.byte(176, record.AutoIncrement);
}

// Defaults after a damaged (short) file.
InstallationInfo defaultInstallationInfo() {
  InstallationInfo record;
  record.CertDate = record.CertValidTo = daysFromDate(QDate::currentDate());
  return record;
}

ProgramConfig defaultProgramConfig(quint8 comPort) {
  ProgramConfig record;
  record.ComPort = comPort;  // the port choice outlives a damaged file
  record.ActiveTab = 2;
  record.ProtocolNumber = QStringLiteral("1");
  record.AutoIncrement = 1;
  return record;
}

[[noreturn]] void throwFileError(const QString& what, const QString& path, const QString& reason) {
  const QString text = QStringLiteral("%1 \"%2\": %3").arg(what, QDir::toNativeSeparators(path), reason);
  throw std::runtime_error(text.toStdString());
}

void writeRecordFile(const QString& relative, const QByteArray& image) {
  const QString path = programPath(relative);
  const QString what = QStringLiteral("Не удалось записать файл настроек");
  // QSaveFile would replace a write-protected file; the operator's protection wins.
  const QFileInfo existing(path);
  if (existing.exists() && existing.isFile() && !existing.isWritable()) {
    throwFileError(what, path, QStringLiteral("файл защищён от записи"));
  }
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) throwFileError(what, path, file.errorString());
  if (file.write(image) != image.size()) throwFileError(what, path, file.errorString());
  if (!file.commit()) throwFileError(what, path, file.errorString());
}

enum class FileState { Missing, Short, Read };

QString unreadableReason(const QFileInfo& entry, const QFile& file) {
  if (entry.isDir()) return QStringLiteral("на этом месте папка, а не файл");
  if (entry.isSymLink() && !entry.exists()) return QStringLiteral("ссылка указывает на несуществующий файл");
  if (!entry.isReadable()) return QStringLiteral("нет доступа на чтение");
  return file.errorString();
}

// Reads the first record of a settings file into `image`. A short file is deleted.
FileState readRecordFile(const QString& relative, int size, QByteArray& image) {
  const QString path = programPath(relative);
  const QFileInfo entry(path);
  // Only a file that is not there gets the defaults. One that is there but
  // cannot be read keeps what it holds: it is reported, never written over.
  if (!entry.exists() && !entry.isSymLink()) return FileState::Missing;
  QFile file(path);
  if (entry.isDir() || !file.open(QIODevice::ReadOnly)) {
    throwFileError(QStringLiteral("Не удалось прочитать файл настроек"), path, unreadableReason(entry, file));
  }
  image = file.read(size);
  if (file.error() != QFileDevice::NoError) {
    throwFileError(QStringLiteral("Не удалось прочитать файл настроек"), path, file.errorString());
  }
  file.close();
  if (image.size() == size) return FileState::Read;
  // The next load finds the file missing and writes the record then. A file we
  // cannot delete only means the defaults are taken again next time.
  QFile::remove(path);
  return FileState::Short;
}

}  // namespace

QByteArray encodeInstallationInfo(const InstallationInfo& record) {
  ImageWriter writer(InstallationInfo::kSize);
  installationInfoLayout(record, writer);
  return writer.image();
}

InstallationInfo decodeInstallationInfo(const QByteArray& bytes) {
  if (bytes.size() < InstallationInfo::kSize) throw std::invalid_argument("InstallationInfo image too short");
  InstallationInfo record;
  const ImageReader reader(bytes);
  installationInfoLayout(record, reader);
  return record;
}

QByteArray encodeProgramConfig(const ProgramConfig& record) {
  ImageWriter writer(ProgramConfig::kSize);
  programConfigLayout(record, writer);
  return writer.image();
}

ProgramConfig decodeProgramConfig(const QByteArray& bytes) {
  if (bytes.size() < ProgramConfig::kSize) throw std::invalid_argument("ProgramConfig image too short");
  ProgramConfig record;
  const ImageReader reader(bytes);
  programConfigLayout(record, reader);
  return record;
}

void saveInstallationInfo() { writeRecordFile(kInstallationInfoFile, encodeInstallationInfo(Installation)); }

void saveProgramConfig() { writeRecordFile(kProgramConfigFile, encodeProgramConfig(Config)); }

void loadInstallationInfo() {
  QByteArray image;
  switch (readRecordFile(kInstallationInfoFile, InstallationInfo::kSize, image)) {
    case FileState::Missing:
      saveInstallationInfo();
      break;
    case FileState::Short:
      Installation = defaultInstallationInfo();
      break;
    case FileState::Read:
      Installation = decodeInstallationInfo(image);
      break;
  }
}

void loadProgramConfig() {
  QByteArray image;
  switch (readRecordFile(kProgramConfigFile, ProgramConfig::kSize, image)) {
    case FileState::Missing:
      saveProgramConfig();
      break;
    case FileState::Short:
      Config = defaultProgramConfig(Config.ComPort);
      break;
    case FileState::Read:
      Config = decodeProgramConfig(image);
      break;
  }
}

bool fileCanOpen(const QString& name) {
  if (name.isEmpty()) return false;
  QFile file(name);
  return file.open(QIODevice::ReadOnly);
}

QString meterCaptions(int slot) {
  if (slot < 1 || slot > 8) return {};
  return QStringLiteral("Счетчик %1").arg(slot);
}
