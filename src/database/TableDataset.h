#pragma once

#include "database/Dataset.h"
#include "database/Schema.h"

#include <QPointer>

#include <optional>

// The rows of one table ordered by its key, editable; optionally the detail of a
// master dataset: then only the rows whose detail field equals the master's
// current value of the master field. A detail whose master is closed shows the
// whole table; a master that is open but empty leaves the detail empty.
class TableDataset : public Dataset {
  Q_OBJECT
 public:
  TableDataset(Connection* connection, const TableDef& table, QObject* parent = nullptr);
  const TableDef& table() const { return table_; }
  void setMaster(Dataset* master, const QString& masterField, const QString& detailField);
  Dataset* master() const { return master_; }
  bool canModify() const override { return true; }

 protected:
  Statement selectStatement() const override;
  QString readTable() const override { return table_.name; }
  FieldDef describeColumn(const QSqlField& column) const override;
  void checkFields() const override;
  QVector<QVariant> storeInsert(const QVector<QVariant>& buffer) override;
  void storeUpdate(const QVector<QVariant>& original, const QVector<QVariant>& buffer) override;
  void storeDelete(const QVector<QVariant>& row) override;
  bool belongsHere(const QVector<QVariant>& row) const override;
  Statement pageStatement(const Statement& select, int rows) const override;

 public:
  // Pages follow the key, so rows others add or delete never shift a page:
  // a table's half-read rows need no completing before a write.
  void completeReadsOf(const QString&) override {}

 private:
  std::optional<QVariant> masterValue() const;  // nullopt: no master or master closed
  void followMaster();

  const TableDef& table_;
  QPointer<Dataset> master_;
  QString masterField_;
  QString detailField_;
  mutable std::optional<QVariant> rangeValue_;  // the master value the rows were selected by
};
