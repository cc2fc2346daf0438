#include "settings/IniFile.h"

#include "settings/SmallFile.h"

#include <QStringList>

namespace {

// A value as written: surrounding blanks go; in double quotes the blanks stay
// and \" and \\ stand for " and \.
bool unquoteValue(const QString& written, QString& value) {
  const QString trimmed = written.trimmed();
  if (!trimmed.startsWith(QLatin1Char('"'))) {
    value = trimmed;
    return true;
  }
  value.clear();
  for (qsizetype i = 1; i < trimmed.size(); ++i) {
    const QChar c = trimmed.at(i);
    if (c == QLatin1Char('"')) return i == trimmed.size() - 1;
    if (c == QLatin1Char('\\') && i + 1 < trimmed.size()) {
      value += trimmed.at(++i);
      continue;
    }
    value += c;
  }
  return false;  // no closing quote
}

}  // namespace

IniFile IniFile::read(const QString& filePath) {
  IniFile ini;
  const SmallFile file = SmallFile::read(filePath, kSettingsFileMaxBytes);
  if (!file.isRead()) {
    ini.status_ = file.status == SmallFile::Status::TooLarge ? Status::TooLarge : Status::Unreadable;
    ini.readProblem_ = file.problem(filePath);
    return ini;
  }
  const QStringList lines = QString::fromUtf8(file.bytes).split(QLatin1Char('\n'));
  ini.sections_.append({QString(), {}});
  for (qsizetype number = 0; number < lines.size(); ++number) {
    const QString line = lines.at(number).trimmed();
    if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#'))) continue;
    if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
      ini.sections_.append({line.mid(1, line.size() - 2).trimmed(), {}});
      continue;
    }
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    QString value;
    if (equals <= 0 || !unquoteValue(line.mid(equals + 1), value)) {
      ini.status_ = Status::Malformed;
      ini.malformedLine_ = int(number + 1);
      return ini;
    }
    Entries& entries = ini.sections_.last().second;
    const QString key = line.left(equals).trimmed();
    entries.removeIf(
        [&key](const auto& entry) { return entry.first.compare(key, Qt::CaseInsensitive) == 0; });
    entries.append({key, value});
  }
  return ini;
}

bool IniFile::hasSection(const QString& name) const {
  for (const auto& section : sections_)
    if (!section.first.isEmpty() && section.first.compare(name, Qt::CaseInsensitive) == 0) return true;
  return false;
}

IniFile::Entries IniFile::entries(const QString& name) const {
  Entries all;
  for (const auto& section : sections_)
    if (section.first.compare(name, Qt::CaseInsensitive) == 0)
      for (const auto& entry : section.second) {
        all.removeIf(
            [&entry](const auto& kept) { return kept.first.compare(entry.first, Qt::CaseInsensitive) == 0; });
        all.append(entry);
      }
  return all;
}
