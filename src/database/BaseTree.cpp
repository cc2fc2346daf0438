#include "database/BaseTree.h"

#include "database/Connection.h"
#include "database/Statements.h"

#include <QSqlQuery>

QVector<BaseOfTree> readBaseTree(Connection& connection) {
  QVector<BaseOfTree> bases;
  QSqlQuery query = connection.execute(Statements::basesWithMetersInUse());
  QVariant previousKey;
  while (query.next()) {
    // One row per meter in use; a base without one has a row with a null slot.
    if (bases.isEmpty() || query.value(0) != previousKey) bases.append({query.value(1).toString(), {}});
    if (!query.value(2).isNull()) bases.last().slotsInUse.append(query.value(2).toInt());
    previousKey = query.value(0);
  }
  connection.recycle(std::move(query));
  return bases;
}
