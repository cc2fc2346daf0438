#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// Rows of named text fields that the Excel report writes into a template.
// A value may be null (the field left unassigned): its cell stays blank, while
// an empty text gives an empty text cell.
class ReportDataSource {
 public:
  virtual ~ReportDataSource() = default;
  virtual QStringList fieldNames() const = 0;
  virtual qsizetype rowCount() const = 0;
  virtual std::optional<QString> value(qsizetype row, int field) const = 0;
};

// The plain in-memory source: field names and rows of optional texts.
class ReportTable : public ReportDataSource {
 public:
  using Row = std::vector<std::optional<QString>>;
  explicit ReportTable(QStringList fieldNames) : fieldNames_(std::move(fieldNames)) {}

  // A row with fewer values than fields has nulls in the remaining fields.
  void appendRow(Row row) {
    row.resize(static_cast<size_t>(fieldNames_.size()));
    rows_.push_back(std::move(row));
  }
  void clear() { rows_.clear(); }

  QStringList fieldNames() const override { return fieldNames_; }
  qsizetype rowCount() const override { return static_cast<qsizetype>(rows_.size()); }
  std::optional<QString> value(qsizetype row, int field) const override {
    return rows_.at(static_cast<size_t>(row)).at(static_cast<size_t>(field));
  }

 private:
  QStringList fieldNames_;
  std::vector<Row> rows_;
};
