#pragma once

#include <QList>
#include <QString>

class Connection;

// Rows copied into one table.
struct CopiedTable {
  QString table;
  qint64 rows = 0;
};

// Copies the five tables of one measurement database into another (a bench's
// SQLite file into the lab's PostgreSQL database): every row with its key, so
// that meters keep their test points, in one transaction of the target. The
// target must have no rows in any of the tables (they are created when it has
// none). Keys handed out later continue after the copied ones. Throws
// std::runtime_error (nothing copied) on a non-empty target or a refused row.
QList<CopiedTable> copyDatabase(Connection& source, Connection& target);
