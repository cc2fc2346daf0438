#include "legacy/ImportSummary.h"

#include <QDir>

#include <algorithm>

namespace {

QString problemLine(const ImportSummary::Problem& problem) {
  if (problem.record == 0) return QStringLiteral("%1: %2").arg(problem.file, problem.text);
  return QStringLiteral("%1, запись %2: %3").arg(problem.file).arg(problem.record).arg(problem.text);
}

}  // namespace

QString ImportSummary::tablesText() const {
  QStringList lines;
  for (const Table& table : tables)
    lines << QStringLiteral("%1: прочитано %2, импортировано %3, пропущено %4")
                 .arg(table.file)
                 .arg(table.read)
                 .arg(table.imported)
                 .arg(table.skipped);
  return lines.join(QLatin1Char('\n'));
}

QString ImportSummary::text(int maxProblems) const {
  QStringList lines{QStringLiteral("Таблицы прежней программы: %1").arg(QDir::toNativeSeparators(folder)),
                    tablesText()};
  lines << (keysKept ? QStringLiteral("База данных пуста: записи сохраняют свои номера (ключи).")
                     : QStringLiteral("База данных не пуста: записи получают новые номера (ключи), "
                                      "связи между таблицами сохраняются."));
  if (!problems.isEmpty()) {
    lines << QStringLiteral("Замечания (%1):").arg(problems.size());
    const qsizetype shown =
        maxProblems < 0 ? problems.size() : std::min<qsizetype>(maxProblems, problems.size());
    for (qsizetype i = 0; i < shown; ++i) lines << problemLine(problems[i]);
    if (shown < problems.size()) lines << QStringLiteral("... и ещё %1.").arg(problems.size() - shown);
  }
  if (!refusals.isEmpty()) {
    lines << QStringLiteral("Импорт невозможен:");
    for (const Problem& refusal : refusals) lines << problemLine(refusal);
  }
  return lines.join(QLatin1Char('\n'));
}
