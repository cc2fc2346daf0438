#pragma once

#include "database/Connection.h"
#include "database/Statements.h"

#include <QObject>

// Runs one statement that returns no rows (script).
class ScriptDataset : public QObject {
  Q_OBJECT
 public:
  ScriptDataset(Connection* connection, QObject* parent = nullptr);
  void setStatement(const Statement& statement) { statement_ = statement; }
  const Statement& statement() const { return statement_; }
  void run();  // throws on failure
  void run(const Statement& statement) {
    setStatement(statement);
    run();
  }

 private:
  Connection* connection_;
  Statement statement_;
};
