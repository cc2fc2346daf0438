#include "reports/TableFile.h"

#include <QDateTime>
#include <QFileInfo>
#include <QRegularExpression>

#include <cmath>

#include "settings/SmallFile.h"

namespace table_file {

std::optional<double> readDecimal(const QString& text) {
  static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+([.,]\\d*)?|[.,]\\d+)$"));
  const QString trimmed = text.trimmed();
  if (!number.match(trimmed).hasMatch()) return std::nullopt;
  QString point = trimmed;
  point.replace(QLatin1Char(','), QLatin1Char('.'));
  bool ok = false;
  const double value = point.toDouble(&ok);
  if (!ok || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<double> readAccuracyClass(const QString& text) {
  static const QRegularExpression klass(
      QStringLiteral("^\\s*(\\d+(?:[.,]\\d+)?)\\s*[Ss]?\\s*(?:\\([^)]*\\))?\\s*$"));
  const QRegularExpressionMatch match = klass.match(text);
  if (!match.hasMatch()) return std::nullopt;
  return readDecimal(match.captured(1));
}

bool sameClass(double a, double b) { return std::abs(a - b) <= 1e-6; }

QString quoted(const QString& text) {
  constexpr qsizetype kShown = 40;
  const QString trimmed = text.trimmed();
  return QStringLiteral("«%1»").arg(trimmed.size() > kShown ? trimmed.left(kShown) + QChar(0x2026) : trimmed);
}

void forEachDataLine(const QString& text, const std::function<void(int number, const QString& line)>& line) {
  QString body = text;
  if (body.startsWith(QChar(0xFEFF))) body.remove(0, 1);
  const QStringList lines = body.split(QLatin1Char('\n'));
  bool headerSeen = false;
  for (qsizetype index = 0; index < lines.size(); ++index) {
    QString current = lines[index];
    if (current.endsWith(QLatin1Char('\r'))) current.chop(1);
    const QString trimmed = current.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#'))) continue;
    if (!headerSeen) {
      headerSeen = true;
      // A first line whose first field reads as a class is data all the same.
      if (!readAccuracyClass(trimmed.section(QLatin1Char(';'), 0, 0))) continue;
    }
    line(static_cast<int>(index + 1), current);
  }
}

std::optional<QStringList> splitFields(const QString& line, int count, QString* reason) {
  QStringList fields = line.split(QLatin1Char(';'));
  while (fields.size() > count && fields.last().trimmed().isEmpty()) fields.removeLast();
  if (fields.size() == count) return fields;
  *reason = QStringLiteral("ожидается %1 полей через «;», найдено %2").arg(count).arg(fields.size());
  return std::nullopt;
}

QString lineProblem(const QString& fileName, int number, const QString& reason) {
  return QStringLiteral("%1, строка %2: %3").arg(fileName).arg(number).arg(reason);
}

std::optional<QString> readText(const QString& path, QStringList* problems) {
  const SmallFile file = SmallFile::read(path, kTableFileMaxBytes);
  if (file.status == SmallFile::Status::Missing) return std::nullopt;
  if (!file.isRead()) {
    if (problems) problems->append(file.problem(path));
    return std::nullopt;
  }
  return QString::fromUtf8(file.bytes);
}

}  // namespace table_file

FileStamp FileStamp::of(const QString& path) {
  const QFileInfo info(path);
  FileStamp stamp;
  stamp.path = path;
  stamp.exists = info.exists();
  if (stamp.exists) {
    stamp.modifiedMs = info.lastModified().toMSecsSinceEpoch();
    stamp.size = info.size();
  }
  return stamp;
}
