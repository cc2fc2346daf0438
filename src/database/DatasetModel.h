#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringList>

class Dataset;
class QItemSelectionModel;

// Shows a dataset in a grid and follows it live: opening, re-querying, posted
// edits, appends and deletes, and rows fetched on demand (a long result is
// fetched as the grid scrolls: canFetchMore/fetchMore). Read-only; cells show
// the fields' edit texts, column titles are the fields' display labels.
class DatasetModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit DatasetModel(Dataset* dataset, QObject* parent = nullptr);

  Dataset* dataset() const { return dataset_; }
  // Field names of the columns, in order. Empty: every visible field of the
  // dataset in its order. Names are matched case-insensitively; names the
  // dataset lacks show empty columns until a result has them.
  void setColumns(const QStringList& fieldNames);
  QStringList columns() const { return columns_; }
  QString fieldNameAt(int column) const;
  int columnOf(const QString& fieldName) const;  // -1 when not shown
  // A title for one column instead of the field's display label.
  void setColumnTitle(const QString& fieldName, const QString& title);
  void setAlignment(Qt::Alignment alignment) { alignment_ = alignment; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  bool canFetchMore(const QModelIndex& parent) const override;
  void fetchMore(const QModelIndex& parent) override;

 private:
  void reset();
  void catchUp();
  void rebuildColumns();
  int datasetColumn(int column) const;

  QPointer<Dataset> dataset_;
  QStringList chosenColumns_;
  QStringList columns_;
  QVector<int> datasetColumns_;
  QHash<QString, QString> titles_;  // lower-case field name → title
  Qt::Alignment alignment_ = Qt::AlignCenter;
  int rows_ = 0;
  bool busy_ = false;  // a change of rows is being announced
};

// Keeps a grid's current row and a dataset's cursor together, both ways: a
// click in the grid moves the dataset, moving the dataset moves the grid's
// current index. Lives as long as its parent (usually the window).
class DatasetCursorLink : public QObject {
  Q_OBJECT
 public:
  DatasetCursorLink(Dataset* dataset, QItemSelectionModel* selection, QObject* parent);

 private:
  void datasetMoved(int row);
  void viewMoved(int row);

  QPointer<Dataset> dataset_;
  QPointer<QItemSelectionModel> selection_;
  bool syncing_ = false;
};
