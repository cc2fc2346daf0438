#pragma once

#include "database/Connection.h"
#include "database/FieldDef.h"
#include "database/Statements.h"

#include <QDate>
#include <QHash>
#include <QObject>
#include <QSqlField>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <QVector>

#include <functional>
#include <optional>

class Dataset;

// A field of a dataset's current row (or of the row being edited), read and
// written by kind. Obtained from Dataset::fieldByName; valid while the dataset's
// fields do not change (re-fetch it after reopening with another statement).
class FieldRef {
 public:
  FieldRef(Dataset* dataset, int index) : dataset_(dataset), index_(index) {}

  const FieldDef& def() const;
  QString name() const { return def().name; }

  bool isNull() const;
  QVariant value() const;    // null QVariant for null
  QString asText() const;    // the edit text (fieldEditText)
  qint64 asInteger() const;  // null → 0; a real is rounded; a non-number text throws
  double asReal() const;     // null → 0
  QDate asDate() const;      // null → invalid date
  bool asBool() const;       // null → false

  // Only while the dataset is in Edit or Insert state (else std::runtime_error).
  // Texts are converted to the field's kind ("1,5" and "1.5" both read as 1.5
  // for a real); empty text stores null; long texts are cut to the field size.
  void setText(const QString& text) const;
  void setInteger(qint64 value) const;
  void setReal(double value) const;
  void setDate(const QDate& value) const;
  void setBool(bool value) const;
  void setNull() const;
  void setValue(const QVariant& value) const;

 private:
  Dataset* dataset_;
  int index_;
};

enum class DatasetState { Inactive, Browse, Edit, Insert };

// A cursor over the rows of a statement's result, with fields by name (matched
// case-insensitively: "namebase", "NameBase" and "NAMEBASE" are one field).
// Long results are fetched in batches as the cursor or a grid reaches them.
// Errors throw std::runtime_error with a readable text.
class Dataset : public QObject, public PendingReader {
  Q_OBJECT
 public:
  ~Dataset() override;

  Connection* connection() const { return connection_; }

  // --- opening ---
  bool isOpen() const { return state_ != DatasetState::Inactive; }
  // Runs the dataset's statement. On failure the dataset stays closed and the
  // engine's error is thrown.
  void open();
  // Posts a pending edit first (nothing typed is lost), then forgets the rows.
  // Never throws: a pending row the database refuses, or any pending row while
  // an error is unwinding, is cancelled instead.
  void close();
  // Runs the statement again, staying on the same row number where possible.
  void refresh();
  DatasetState state() const { return state_; }

  // --- cursor ---
  void first();
  void next();   // past the last row: eof() becomes true, the row stays the last
  void prior();  // before the first row: bof() becomes true
  void last();
  bool eof() const {
    ensureFresh();
    return eof_;
  }
  bool bof() const {
    ensureFresh();
    return bof_;
  }
  bool isEmpty();
  int recordCount();        // every row (fetches the rest of a long result)
  int currentRow() const {  // from 0; -1 when closed or empty
    ensureFresh();
    return current_;
  }
  bool moveTo(int row);  // false (cursor unchanged) when there is no such row
  int fetchedCount() const {
    ensureFresh();
    return static_cast<int>(rows_.size());
  }
  bool canFetchMore() const {
    ensureFresh();
    return hasMore_;
  }
  int fetchMore(int maxRows);  // returns the number of rows added

  // --- fields ---
  int fieldCount() const { return static_cast<int>(fields_.size()); }
  const FieldDef& fieldDef(int index) const { return fields_.at(index); }
  int fieldIndex(const QString& name) const;  // -1 when absent
  bool hasField(const QString& name) const { return fieldIndex(name) >= 0; }
  FieldRef fieldByName(const QString& name);  // throws when absent
  FieldRef field(int index) { return FieldRef(this, index); }
  // A stored row's value (for grids); null QVariant outside the fetched rows.
  QVariant valueAt(int row, int column) const;
  // Grid captions and default visibility; kept across reopening.
  void setDisplayLabel(const QString& fieldName, const QString& label);
  void setFieldVisible(const QString& fieldName, bool visible);

  // --- editing (table datasets; a query dataset throws) ---
  void append();  // Insert state with an empty row buffer
  void edit();    // Edit state on the current row
  void post();    // stores the buffer; a failing store keeps the state, nothing half-written
  void cancel();  // never throws
  void remove();  // runs the before-delete rule, then deletes the current row, as one transaction
  void setBeforeDelete(std::function<void()> rule) { beforeDelete_ = std::move(rule); }
  virtual bool canModify() const { return false; }

  // PendingReader
  void completeReadsOf(const QString& table) override;

 signals:
  void opened();
  void closed();
  void aboutToResetRows();  // the rows are about to be replaced
  void rowsReset();         // every row may have changed (opened, re-queried, closed)
  void rowsFetched(int first, int last);
  void rowChanged(int row);   // a posted edit
  void rowInserted(int row);  // a posted append
  void rowAboutToBeRemoved(int row);
  void rowRemoved(int row);
  void currentRowChanged(int row);  // -1 when there is no row
  void stateChanged(DatasetState state);

 protected:
  Dataset(Connection* connection, QObject* parent);

  // The statement that yields the rows; empty sql for "no rows".
  virtual Statement selectStatement() const = 0;
  // The statement reading the next `rows` rows of `select` after those fetched.
  virtual Statement pageStatement(const Statement& select, int rows) const;
  // Field definitions for a result column (type, size, required, label).
  virtual FieldDef describeColumn(const QSqlField& column) const;
  // Checks after the first fetch (a table dataset checks that its fields exist).
  virtual void checkFields() const {}
  // Storing and deleting rows (table datasets).
  // Stores a new row; returns it as stored (key assigned), in field order.
  virtual QVector<QVariant> storeInsert(const QVector<QVariant>& buffer);
  virtual void storeUpdate(const QVector<QVariant>& original, const QVector<QVariant>& buffer);
  virtual void storeDelete(const QVector<QVariant>& row);
  // Whether a stored row is one this dataset shows (a detail drops rows posted
  // for another master row).
  virtual bool belongsHere(const QVector<QVariant>& row) const {
    Q_UNUSED(row);
    return true;
  }
  // The table this dataset reads, for completing pending reads before writes.
  virtual QString readTable() const = 0;

  // Re-runs the select because its parameters changed.
  void requery();
  // The select's parameters changed (a detail's master moved): the rows are
  // read again when next used, or at once when someone follows this dataset's
  // current row (a grid, a further detail).
  void invalidate();

 private:
  friend class FieldRef;
  QVariant currentValue(int index) const;
  void setBufferValue(int index, const QVariant& value);
  void checkEditing() const;
  void requireRow() const;
  void ensureFresh() const;
  void closeRows();
  void announceFirstRow();
  void settlePostedRow();
  QSqlQuery readPage(int rows);
  int readRows(QSqlQuery& query, int rows);
  void fetchUntil(int row);
  void fetchAll();
  void runSelect();
  void setCurrent(int row);
  void setState(DatasetState state);
  void resetRows();
  void removeCachedRow(int index);

  Connection* connection_;
  DatasetState state_ = DatasetState::Inactive;
  QVector<FieldDef> fields_;
  QHash<QString, int> fieldByLowerName_;
  QHash<QString, QString> labels_;   // lower-case name → label
  QHash<QString, bool> visibility_;  // lower-case name → visible
  QVector<QVector<QVariant>> rows_;
  Statement running_;                             // the select the rows come from, read page by page
  bool hasMore_ = false;                          // the result has rows beyond those fetched
  bool stale_ = false;                            // the rows must be read again before use
  std::optional<QVector<QVariant>> postedAhead_;  // a posted row beyond the rows read so far
  QVector<QVariant> buffer_;                      // the row being edited or inserted
  int current_ = -1;
  bool eof_ = true;
  bool bof_ = true;
  std::function<void()> beforeDelete_;
};
