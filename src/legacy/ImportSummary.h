#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// What an import of the old bench program's tables found and did (or, for a
// check, would do): rows per table, every problem with its table and record,
// and why the import cannot be done when it cannot.
struct ImportSummary {
  struct Table {
    QString file;  // as the folder names it ("MASTER.DB")
    qint64 read = 0;
    qint64 imported = 0;
    qint64 skipped = 0;
  };
  struct Problem {
    QString file;
    qint64 record = 0;  // 1, 2, ... in the file; 0: the table as a whole
    QString text;
  };

  QString folder;
  bool keysKept = false;  // the old keys were (would be) kept: the database was empty
  QVector<Table> tables;  // base, master, slave, masterarhive, Slavearhiv
  QVector<Problem> problems;
  QVector<Problem> refusals;  // each of them alone keeps the import from being done

  bool canImport() const { return refusals.isEmpty(); }
  // The summary in the operator's words, one line per table and per problem
  // (the first maxProblems of them, then how many more; -1: all).
  QString text(int maxProblems = -1) const;
  // The lines per table only.
  QString tablesText() const;
};
