#include "reports/DocumentOutput.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <stdexcept>

#include "settings/ProgramDir.h"

namespace {

constexpr qsizetype kMaxNameLength = 120;

// Windows takes a name whose part before the first dot (blanks at its end
// ignored) is a device for that device, whatever follows: "con", "con.docx",
// "COM1 .txt". COM and LPT count the superscript digits ¹ ² ³ as well.
bool isReservedDeviceName(const QString& name) {
  QString stem = name.section(QLatin1Char('.'), 0, 0).toUpper();
  while (!stem.isEmpty() && stem.back().isSpace()) stem.chop(1);
  static const QStringList kFixed = {QStringLiteral("CON"),    QStringLiteral("PRN"),
                                     QStringLiteral("AUX"),    QStringLiteral("NUL"),
                                     QStringLiteral("CONIN$"), QStringLiteral("CONOUT$")};
  if (kFixed.contains(stem)) return true;
  static const QString kDigits = QStringLiteral("0123456789\u00B9\u00B2\u00B3");
  return stem.size() == 4 &&
         (stem.startsWith(QLatin1String("COM")) || stem.startsWith(QLatin1String("LPT"))) &&
         kDigits.contains(stem.at(3));
}

}  // namespace

QString protocolsDir() {
  const QString folder = programPath(QStringLiteral("protocols"));
  if (!QDir().mkpath(folder))
    throw std::runtime_error(QStringLiteral("Не удалось создать папку %1").arg(folder).toStdString());
  return folder;
}

QString safeFileName(const QString& descriptiveName) {
  static const QString kRefused = QStringLiteral("<>:\"/\\|?*");
  QString name;
  for (const char32_t c : descriptiveName.toUcs4()) {
    // Format characters (bidirectional overrides, zero-width marks) would make
    // the name read otherwise than it is.
    if (QChar::category(c) == QChar::Other_Format) continue;
    if (QChar::isSpace(c))
      name += QLatin1Char(' ');
    else if (c < 0x20 || c == 0x7F || (c < 0x80 && kRefused.contains(QChar(c))))
      name += QLatin1Char('_');
    else
      name += QString::fromUcs4(&c, 1);
  }
  name = name.simplified();
  if (name.size() > kMaxNameLength) name.truncate(kMaxNameLength);
  if (!name.isEmpty() && name.back().isHighSurrogate()) name.chop(1);
  // Leading dots hide a file; trailing dots and blanks are dropped by Windows.
  while (!name.isEmpty() && (name.startsWith(QLatin1Char('.')) || name.startsWith(QLatin1Char(' '))))
    name.remove(0, 1);
  while (!name.isEmpty() && (name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' '))))
    name.chop(1);
  if (name.isEmpty()) return QStringLiteral("Документ");
  if (isReservedDeviceName(name)) name.prepend(QLatin1Char('_'));
  return name;
}

QString saveProtocolFile(const QByteArray& bytes, const QString& descriptiveName, const QString& extension) {
  const QDir folder(protocolsDir());
  const QString base = safeFileName(descriptiveName);
  QString path;
  // The name is claimed by creating the file exclusively, so two reports
  // written at the same moment never share one.
  for (int number = 1;; ++number) {
    const QString name = number == 1 ? base : QStringLiteral("%1 (%2)").arg(base).arg(number);
    path = folder.filePath(name + QLatin1Char('.') + extension);
    QFile claim(path);
    if (claim.open(QIODevice::WriteOnly | QIODevice::NewOnly)) break;
    if (!claim.exists() || number >= 10000)
      throw std::runtime_error(
          QStringLiteral("Не удалось сохранить файл %1: %2").arg(path, claim.errorString()).toStdString());
  }
  QSaveFile file(path);
  if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit()) return path;
  const QString reason = file.errorString();
  QFile::remove(path);
  throw std::runtime_error(
      QStringLiteral("Не удалось сохранить файл %1: %2").arg(path, reason).toStdString());
}
