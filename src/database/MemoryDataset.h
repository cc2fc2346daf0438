#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

// A small in-memory table of text fields (exportRows: the rows of the Excel archive
// protocol). A field is either null (never assigned) or a text, possibly empty;
// texts are cut to the field size. Field names are matched case-insensitively.
class MemoryDataset {
 public:
  MemoryDataset(QStringList fieldNames, int textSize);

  const QStringList& fieldNames() const { return fieldNames_; }
  int fieldIndex(const QString& name) const;  // -1 when absent
  int textSize() const { return textSize_; }

  // Closing forgets every row; opening starts empty.
  void open() {
    rows_.clear();
    open_ = true;
    current_ = -1;
  }
  void close() {
    rows_.clear();
    open_ = false;
    current_ = -1;
  }
  bool isOpen() const { return open_; }

  // A new row with every field null; it becomes the current row.
  void append();
  // Assign a field of the current row (throws std::runtime_error when there is
  // none or the field is unknown).
  void setText(const QString& field, const QString& text);
  void setNull(const QString& field);

  int recordCount() const { return static_cast<int>(rows_.size()); }
  void first();
  void next();
  bool eof() const { return eof_; }
  int currentRow() const { return current_; }
  bool moveTo(int row);

  bool isNull(const QString& field) const;
  QString text(const QString& field) const;     // empty for null
  QVariant value(const QString& field) const;   // null QVariant for null
  QVariant valueAt(int row, int column) const;  // for the report engine

 private:
  int requireField(const QString& name) const;
  void requireRow() const;

  QStringList fieldNames_;
  QHash<QString, int> indexByLowerName_;
  int textSize_;
  QVector<QVector<QVariant>> rows_;
  bool open_ = true;
  int current_ = -1;
  bool eof_ = true;
};
