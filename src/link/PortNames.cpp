#include "link/PortNames.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>

#include "settings/ProgramDir.h"

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

QStringList readLines(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
  return QString::fromUtf8(file.readAll()).split(u'\n');
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
  for (const QString& line : readLines(programPath(QStringLiteral("sources/ports.ini")))) {
    if (lineKey(line).compare(portName, Qt::CaseInsensitive) != 0) continue;
    const QString device = line.section(u'=', 1).trimmed();
    if (!device.isEmpty()) return device;
  }
  return defaultDevice(portName);
}

bool writePortDevice(const QString& iniPath, const QString& portName, const QString& device) {
  QStringList lines = readLines(iniPath);
  while (!lines.isEmpty() && lines.last().trimmed().isEmpty()) lines.removeLast();
  lines.removeIf(
      [&](const QString& line) { return lineKey(line).compare(portName, Qt::CaseInsensitive) == 0; });
  lines.append(portName + u'=' + device);
  QSaveFile file(iniPath);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) return false;
  file.write((lines.join(u'\n') + u'\n').toUtf8());
  return file.commit();
}
