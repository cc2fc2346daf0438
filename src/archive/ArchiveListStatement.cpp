#include "archive/ArchiveListStatement.h"

#include "database/Schema.h"
#include "database/Statements.h"

#include <QStringList>
#include <QVector>

#include <stdexcept>

namespace {

// The sort column as the statement names it.
QString sortColumn(const QString& sortField) {
  const QString column = sortField.toLower();
  if (column == QLatin1String("tip") || column == QLatin1String("mynumber") ||
      column == QLatin1String("myyear"))
    return column;
  throw std::runtime_error(
      QStringLiteral("Недопустимое поле сортировки архива: %1").arg(sortField).toStdString());
}

// One condition of the filter: `column test`.
struct Condition {
  QString column;
  QString test;  // with "?" for its values
  QVariantList values;
  bool exact;  // an exact match selects few meters
};

QVector<Condition> conditions(const Statements::ArchiveFilter& filter) {
  QVector<Condition> conditions;
  if (!filter.type.isEmpty()) {
    if (filter.type.endsWith(QLatin1Char('*')))
      conditions.append({QStringLiteral("tip"),
                         QStringLiteral("like ? escape '\\'"),
                         {likePrefixPattern(filter.type.chopped(1))},
                         false});
    else
      conditions.append({QStringLiteral("tip"), QStringLiteral("= ?"), {filter.type}, true});
  }
  if (!filter.numberFrom.isEmpty()) {
    const QString to = filter.numberTo.isEmpty() ? filter.numberFrom : filter.numberTo;
    if (to == filter.numberFrom)
      conditions.append({QStringLiteral("mynumber"), QStringLiteral("= ?"), {to}, true});
    else
      conditions.append(
          {QStringLiteral("mynumber"), QStringLiteral("between ? and ?"), {filter.numberFrom, to}, false});
  }
  if (!filter.yearFrom.isEmpty()) {
    const qint64 from = archiveYearValue(filter.yearFrom);
    const qint64 to = filter.yearTo.isEmpty() ? from : archiveYearValue(filter.yearTo);
    conditions.append({QStringLiteral("myyear"), QStringLiteral("between ? and ?"), {from, to}, false});
  }
  return conditions;
}

// Whether the index that gives the list its order also holds the column.
bool sortIndexHolds(const QString& order, const QString& column) {
  for (const IndexDef& index : Schema::masterArhive().indexes) {
    if (index.columns.isEmpty() || index.columns.first().compare(order, Qt::CaseInsensitive) != 0) continue;
    for (const QString& indexed : index.columns)
      if (indexed.compare(column, Qt::CaseInsensitive) == 0) return true;
  }
  return false;
}

// The condition as the walk along the sort index checks it. Exact matches and
// the sort column itself are plain indexed tests. A wide test on a column the
// sort index holds is checked on the index entry; the column is wrapped so
// that its own index is not taken instead (it would need every match sorted).
// A wide test on any other column is looked up on that column's own index as
// a set of keys, checked on the index entry too ("+ 0": the key itself must
// not drive the search either).
QString walkTest(const Condition& condition, const QString& order) {
  const QString& column = condition.column;
  if (condition.exact || column == order) return column + QLatin1Char(' ') + condition.test;
  if (sortIndexHolds(order, column)) {
    const QString wrapped =
        column == QLatin1String("myyear") ? QStringLiteral("(%1 + 0)") : QStringLiteral("(%1 || '')");
    return wrapped.arg(column) + QLatin1Char(' ') + condition.test;
  }
  return QStringLiteral("(num + 0) in (select num from masterarhive where %1 %2)")
      .arg(column, condition.test);
}

}  // namespace

Statement archiveListStatement(const Statements::ArchiveFilter& filter, const QString& sortField) {
  const QString order = sortColumn(sortField);
  Statement statement{QStringLiteral("select * from masterarhive"), {}, QStringLiteral("masterarhive")};
  QStringList tests;
  for (const Condition& condition : conditions(filter)) {
    tests << walkTest(condition, order);
    statement.values << condition.values;
  }
  if (!tests.isEmpty()) statement.sql += QStringLiteral(" where ") + tests.join(QStringLiteral(" and "));
  statement.sql += QStringLiteral(" order by ") + order;
  return statement;
}
