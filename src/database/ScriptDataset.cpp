#include "database/ScriptDataset.h"

#include <stdexcept>

ScriptDataset::ScriptDataset(Connection* connection, QObject* parent)
    : QObject(parent), connection_(connection) {}

void ScriptDataset::run() {
  if (!connection_) throw std::runtime_error("База данных не открыта.");
  connection_->run(statement_);
}
