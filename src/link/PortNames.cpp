#include "link/PortNames.h"

#include <QSaveFile>
#include <QStringList>

#include "settings/ProgramDir.h"
#include "settings/SmallFile.h"

namespace {

QString defaultDevice(const QString& portName) {
#ifdef Q_OS_WIN
  return portName.toUpper();
#else
  const QString name = portName.toLower();
  if (name == u"com1") return QStringLiteral("/dev/ttyS0");
  if (name == u"com2") return QStringLiteral("/dev/ttyS1");
  if (name == u"lpt1") return QStringLiteral("/dev/lp0");
  return name;
#endif
}

QString portsFilePath() { return programPath(QStringLiteral("sources/ports.ini")); }

// The file's lines, "\r" dropped; nothing when it is missing or cannot be
// read (a file beyond the bound of settings files is not read at all).
QStringList readLines(const SmallFile& file) {
  if (!file.isRead()) return {};
  return QString::fromUtf8(file.bytes).remove(u'\r').split(u'\n');
}

// The key of a "Name=value" line, or "" for comments, sections and other lines.
QString lineKey(const QString& line) {
  const QString trimmed = line.trimmed();
  if (trimmed.startsWith(u'#') || trimmed.startsWith(u';') || trimmed.startsWith(u'[')) return {};
  const qsizetype equals = trimmed.indexOf(u'=');
  return equals > 0 ? trimmed.left(equals).trimmed() : QString();
}

}  // namespace

QString portDevice(const QString& portName) {
  for (const QString& line : readLines(SmallFile::read(portsFilePath(), kSettingsFileMaxBytes))) {
    if (lineKey(line).compare(portName, Qt::CaseInsensitive) != 0) continue;
    const QString device = line.section(u'=', 1).trimmed();
    if (!device.isEmpty()) return device;
  }
  return defaultDevice(portName);
}

QString portsFileProblem() {
  const QString path = portsFilePath();
  const SmallFile file = SmallFile::read(path, kSettingsFileMaxBytes);
  return file.status == SmallFile::Status::Missing ? QString() : file.problem(path);
}

bool writePortDevice(const QString& iniPath, const QString& portName, const QString& device) {
  const SmallFile file = SmallFile::read(iniPath, kSettingsFileMaxBytes);
  // A file that cannot be read is not written over: its lines would be lost.
  if (!file.isRead() && file.status != SmallFile::Status::Missing) return false;
  QStringList lines = readLines(file);
  while (!lines.isEmpty() && lines.last().trimmed().isEmpty()) lines.removeLast();
  lines.removeIf(
      [&](const QString& line) { return lineKey(line).compare(portName, Qt::CaseInsensitive) == 0; });
  lines.append(portName + u'=' + device);
  QSaveFile output(iniPath);
  if (!output.open(QIODevice::WriteOnly | QIODevice::Text)) return false;
  output.write((lines.join(u'\n') + u'\n').toUtf8());
  return output.commit();
}
