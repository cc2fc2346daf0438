#include "settings/SmallFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

SmallFile SmallFile::read(const QString& path, qint64 maxBytes) {
  SmallFile file;
  const QFileInfo info(path);
  if (!info.exists()) return file;
  QFile device(path);
  if (info.isDir() || !device.open(QIODevice::ReadOnly)) {
    file.status = Status::Unreadable;
    return file;
  }
  // The size is checked on what is read, not only on what the file system
  // says: a device or a file that grows meanwhile stops at the bound too.
  file.bytes = device.read(maxBytes + 1);
  if (file.bytes.size() > maxBytes) {
    file.bytes.clear();
    file.status = Status::TooLarge;
    return file;
  }
  file.status = device.error() == QFileDevice::NoError ? Status::Read : Status::Unreadable;
  if (file.status != Status::Read) file.bytes.clear();
  return file;
}

QString SmallFile::problem(const QString& path) const {
  const QString name = QDir::toNativeSeparators(path);
  switch (status) {
    case Status::Read:
      return {};
    case Status::Missing:
      return QStringLiteral("Файл %1 не найден.").arg(name);
    case Status::TooLarge:
      return QStringLiteral(
                 "Файл %1 слишком велик для своего назначения и не прочитан: "
                 "вероятно, он повреждён или заменён другим файлом.")
          .arg(name);
    case Status::Unreadable:
      return QStringLiteral("Файл %1 не удалось прочитать.").arg(name);
  }
  return {};
}
