#include "database/MemoryDataset.h"

#include <stdexcept>

MemoryDataset::MemoryDataset(QStringList fieldNames, int textSize)
    : fieldNames_(std::move(fieldNames)), textSize_(textSize) {
  for (int i = 0; i < fieldNames_.size(); ++i) indexByLowerName_.insert(fieldNames_[i].toLower(), i);
}

int MemoryDataset::fieldIndex(const QString& name) const {
  return indexByLowerName_.value(name.toLower(), -1);
}

int MemoryDataset::requireField(const QString& name) const {
  const int index = fieldIndex(name);
  if (index < 0) throw std::runtime_error(QStringLiteral("Поле '%1' не найдено.").arg(name).toStdString());
  return index;
}

void MemoryDataset::requireRow() const {
  if (current_ < 0) throw std::runtime_error("Нет текущей записи.");
}

void MemoryDataset::append() {
  if (!open_) throw std::runtime_error("Набор данных закрыт.");
  rows_.append(QVector<QVariant>(fieldNames_.size()));
  current_ = recordCount() - 1;
  eof_ = false;
}

void MemoryDataset::setText(const QString& field, const QString& text) {
  const int index = requireField(field);
  requireRow();
  rows_[current_][index] = text.left(textSize_);
}

void MemoryDataset::setNull(const QString& field) {
  const int index = requireField(field);
  requireRow();
  rows_[current_][index] = QVariant();
}

void MemoryDataset::first() {
  current_ = rows_.isEmpty() ? -1 : 0;
  eof_ = rows_.isEmpty();
}

void MemoryDataset::next() {
  if (current_ + 1 < recordCount()) {
    ++current_;
    eof_ = false;
  } else {
    eof_ = true;
  }
}

bool MemoryDataset::moveTo(int row) {
  if (row < 0 || row >= recordCount()) return false;
  current_ = row;
  eof_ = false;
  return true;
}

bool MemoryDataset::isNull(const QString& field) const { return value(field).isNull(); }

QString MemoryDataset::text(const QString& field) const { return value(field).toString(); }

QVariant MemoryDataset::value(const QString& field) const {
  const int index = requireField(field);
  return current_ < 0 ? QVariant() : rows_[current_][index];
}

QVariant MemoryDataset::valueAt(int row, int column) const {
  if (row < 0 || row >= recordCount() || column < 0 || column >= fieldNames_.size()) return {};
  return rows_[row][column];
}
