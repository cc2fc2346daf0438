#pragma once

#include "database/Dataset.h"

// A read-only result of one select statement (bases, meters, archivedMeters, markedPoints).
class QueryDataset : public Dataset {
  Q_OBJECT
 public:
  QueryDataset(Connection* connection, QObject* parent = nullptr);
  void setStatement(const Statement& statement);
  const Statement& statement() const { return statement_; }
  // Close, take the statement, open: how every query is run.
  void reopen(const Statement& statement);

 protected:
  Statement selectStatement() const override { return statement_; }
  QString readTable() const override { return statement_.table; }
  FieldDef describeColumn(const QSqlField& column) const override;

 private:
  Statement statement_;
};
