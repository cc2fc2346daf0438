#include "database/DatasetModel.h"

#include "database/Dataset.h"
#include "database/FieldText.h"

#include <QItemSelectionModel>

DatasetModel::DatasetModel(Dataset* dataset, QObject* parent)
    : QAbstractTableModel(parent), dataset_(dataset) {
  connect(dataset, &Dataset::aboutToResetRows, this, [this] {
    busy_ = true;
    beginResetModel();
  });
  connect(dataset, &Dataset::rowsReset, this, [this] {
    rebuildColumns();
    rows_ = dataset_->fetchedCount();
    endResetModel();
    busy_ = false;
  });
  connect(dataset, &Dataset::rowsFetched, this, &DatasetModel::catchUp);
  connect(dataset, &Dataset::rowInserted, this, &DatasetModel::catchUp);
  connect(dataset, &Dataset::rowAboutToBeRemoved, this, [this](int row) {
    busy_ = true;
    beginRemoveRows({}, row, row);
  });
  connect(dataset, &Dataset::rowRemoved, this, [this](int) {
    --rows_;
    endRemoveRows();
    busy_ = false;
  });
  connect(dataset, &Dataset::rowChanged, this, [this](int row) {
    if (row < rows_ && !columns_.isEmpty()) emit dataChanged(index(row, 0), index(row, columnCount() - 1));
  });
  rebuildColumns();
  rows_ = dataset->fetchedCount();
}

// Shows rows the dataset has fetched or appended since the model last looked.
// Views and testers may ask for more rows while they hear of a change; those
// arrive on the next round of this loop.
void DatasetModel::catchUp() {
  if (busy_ || !dataset_) return;
  while (rows_ < dataset_->fetchedCount()) {
    busy_ = true;
    const int last = dataset_->fetchedCount() - 1;
    beginInsertRows({}, rows_, last);
    rows_ = last + 1;
    endInsertRows();
    busy_ = false;
  }
}

void DatasetModel::reset() {
  busy_ = true;
  beginResetModel();
  rebuildColumns();
  rows_ = dataset_ ? dataset_->fetchedCount() : 0;
  endResetModel();
  busy_ = false;
}

void DatasetModel::setColumns(const QStringList& fieldNames) {
  chosenColumns_ = fieldNames;
  reset();
}

void DatasetModel::rebuildColumns() {
  columns_.clear();
  datasetColumns_.clear();
  if (!dataset_) return;
  if (chosenColumns_.isEmpty()) {
    for (int i = 0; i < dataset_->fieldCount(); ++i)
      if (dataset_->fieldDef(i).visible) {
        columns_ << dataset_->fieldDef(i).name;
        datasetColumns_ << i;
      }
    return;
  }
  for (const QString& name : chosenColumns_) {
    const int index = dataset_->fieldIndex(name);
    columns_ << (index >= 0 ? dataset_->fieldDef(index).name : name);
    datasetColumns_ << index;
  }
}

QString DatasetModel::fieldNameAt(int column) const { return columns_.value(column); }

int DatasetModel::columnOf(const QString& fieldName) const {
  for (int i = 0; i < columns_.size(); ++i)
    if (columns_[i].compare(fieldName, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

void DatasetModel::setColumnTitle(const QString& fieldName, const QString& title) {
  titles_.insert(fieldName.toLower(), title);
  const int column = columnOf(fieldName);
  if (column >= 0) emit headerDataChanged(Qt::Horizontal, column, column);
}

int DatasetModel::datasetColumn(int column) const { return datasetColumns_.value(column, -1); }

int DatasetModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int DatasetModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant DatasetModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !dataset_ || index.row() >= rows_) return {};
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(alignment_);
  if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
  const int column = datasetColumn(index.column());
  if (column < 0) return QString();
  return fieldEditText(dataset_->valueAt(index.row(), column), dataset_->fieldDef(column).type);
}

QVariant DatasetModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columns_.size())
    return QAbstractTableModel::headerData(section, orientation, role);
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(alignment_);
  if (role != Qt::DisplayRole) return {};
  const QString title = titles_.value(columns_[section].toLower());
  if (!title.isEmpty()) return title;
  const int column = datasetColumn(section);
  return column >= 0 ? dataset_->fieldDef(column).displayLabel() : columns_[section];
}

bool DatasetModel::canFetchMore(const QModelIndex& parent) const {
  // Rows are not fetched in the middle of a change: views ask again after it.
  return !parent.isValid() && !busy_ && dataset_ && dataset_->canFetchMore();
}

void DatasetModel::fetchMore(const QModelIndex& parent) {
  if (canFetchMore(parent)) {
    dataset_->fetchMore(256);
    catchUp();
  }
}

// ---------------------------------------------------------------- DatasetCursorLink

DatasetCursorLink::DatasetCursorLink(Dataset* dataset, QItemSelectionModel* selection, QObject* parent)
    : QObject(parent), dataset_(dataset), selection_(selection) {
  connect(dataset, &Dataset::currentRowChanged, this, &DatasetCursorLink::datasetMoved);
  connect(dataset, &Dataset::rowsReset, this, [this] {
    if (dataset_) datasetMoved(dataset_->currentRow());
  });
  connect(selection, &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) { viewMoved(current.row()); });
}

void DatasetCursorLink::datasetMoved(int row) {
  if (syncing_ || !selection_ || !selection_->model()) return;
  syncing_ = true;
  const QAbstractItemModel* model = selection_->model();
  const int column = std::max(0, selection_->currentIndex().column());
  if (row >= 0 && row < model->rowCount())
    selection_->setCurrentIndex(model->index(row, std::min(column, model->columnCount() - 1)),
                                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  else
    selection_->clearCurrentIndex();
  syncing_ = false;
}

void DatasetCursorLink::viewMoved(int row) {
  if (syncing_ || !dataset_ || !dataset_->isOpen() || row < 0) return;
  syncing_ = true;
  dataset_->moveTo(row);
  syncing_ = false;
}
