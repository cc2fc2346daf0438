#include "legacy/LegacySettingsFiles.h"

#include "settings/ProgramDir.h"
#include "settings/SettingsRecords.h"
#include "settings/SmallFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace {

struct SettingsFile {
  QString relative;  // in the program directory
  int size;          // of its record
};

const SettingsFile kFiles[] = {{kProgramConfigFile, ProgramConfig::kSize},
                               {kInstallationInfoFile, InstallationInfo::kSize}};

QString nameOf(const SettingsFile& file) { return QFileInfo(file.relative).fileName(); }

// The old file of that name in the folder, in any letter case; empty when none.
QString oldFile(const QString& folder, const QString& name) {
  const QDir dir(folder);
  for (const QString& entry : dir.entryList(QDir::Files | QDir::Hidden))
    if (entry.compare(name, Qt::CaseInsensitive) == 0) return dir.filePath(entry);
  return {};
}

// The old file's record, when it holds a whole one.
QByteArray oldRecord(const QString& folder, const SettingsFile& file) {
  const QString path = oldFile(folder, nameOf(file));
  if (path.isEmpty()) return {};
  const SmallFile read = SmallFile::read(path, kSettingsFileMaxBytes);
  if (!read.isRead() || read.bytes.size() < file.size) return {};
  return read.bytes.left(file.size);
}

bool hasOwn(const SettingsFile& file) {
  const QString path = programPath(file.relative);
  const QFileInfo entry(path);
  if (!entry.exists() && !entry.isSymLink()) return false;
  const SmallFile read = SmallFile::read(path, kSettingsFileMaxBytes);
  // One that cannot be read is the lab's all the same: it is not replaced.
  if (!read.isRead()) return true;
  const QByteArray record = read.bytes.left(file.size);
  return std::any_of(record.begin(), record.end(), [](char byte) { return byte != 0; });
}

}  // namespace

QStringList settingsFilesToTakeOver(const QString& folder) {
  QStringList names;
  for (const SettingsFile& file : kFiles)
    if (!oldRecord(folder, file).isEmpty() && !hasOwn(file)) names << nameOf(file);
  return names;
}

QStringList takeOverSettingsFiles(const QString& folder, const QStringList& names) {
  QStringList problems;
  for (const SettingsFile& file : kFiles) {
    if (!names.contains(nameOf(file)) || hasOwn(file)) continue;
    const QByteArray record = oldRecord(folder, file);
    if (record.isEmpty()) continue;
    const QString path = programPath(file.relative);
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(record) != record.size() || !out.commit())
      problems << QStringLiteral("Не удалось записать файл настроек %1: %2")
                      .arg(QDir::toNativeSeparators(path), out.errorString());
  }
  return problems;
}
