#include "ui/DatasetGrid.h"

#include <QHash>
#include <QHeaderView>

#include <QIdentityProxyModel>
#include <QKeyEvent>
#include <algorithm>

#include "database/Dataset.h"
#include "database/DatasetModel.h"
#include "ui/GridCellDelegate.h"

// Per-column alignment of cells and titles over the dataset model.
class ColumnAlignmentProxy : public QIdentityProxyModel {
 public:
  using QIdentityProxyModel::QIdentityProxyModel;

  void setAlignments(int column, Qt::Alignment cells, Qt::Alignment title) {
    cells_[column] = cells;
    titles_[column] = title;
    if (rowCount() > 0)
      emit dataChanged(index(0, column), index(rowCount() - 1, column), {Qt::TextAlignmentRole});
    emit headerDataChanged(Qt::Horizontal, column, column);
  }
  Qt::Alignment cellAlignment(int column) const { return cells_.value(column, Qt::AlignCenter); }
  Qt::Alignment titleAlignment(int column) const { return titles_.value(column, Qt::AlignCenter); }

  void setSourceModel(QAbstractItemModel* model) override {
    QIdentityProxyModel::setSourceModel(model);
    // Any change of the rows makes the looks stale; they are asked anew at the next paint.
    connect(model, &QAbstractItemModel::modelReset, this, &ColumnAlignmentProxy::forgetLooks);
    connect(model, &QAbstractItemModel::layoutChanged, this, &ColumnAlignmentProxy::forgetLooks);
    connect(model, &QAbstractItemModel::dataChanged, this, &ColumnAlignmentProxy::forgetLooks);
    connect(model, &QAbstractItemModel::rowsInserted, this, &ColumnAlignmentProxy::forgetLooks);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &ColumnAlignmentProxy::forgetLooks);
  }

  void setLooks(CellLookSource looks, std::function<QString(int column)> fieldOf) {
    looks_ = std::move(looks);
    fieldOf_ = std::move(fieldOf);
    forgetLooks();
  }
  void forgetLooks() {
    lookCache_.clear();
    prepared_ = false;
  }

  QVariant data(const QModelIndex& index, int role) const override {
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(cellAlignment(index.column()));
    if (looks_.look && (role == Qt::DisplayRole || role == Qt::BackgroundRole || role == Qt::ToolTipRole))
      if (const std::optional<CellLook>& look = lookAt(index.row(), index.column()))
        return lookData(index, role, *look);
    return QIdentityProxyModel::data(index, role);
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (role == Qt::TextAlignmentRole && orientation == Qt::Horizontal)
      return QVariant::fromValue(titleAlignment(section));
    return QIdentityProxyModel::headerData(section, orientation, role);
  }

 private:
  QVariant lookData(const QModelIndex& index, int role, const CellLook& look) const {
    if (role == Qt::DisplayRole) return QIdentityProxyModel::data(index, role).toString() + look.sign;
    if (role == Qt::BackgroundRole) return look.background.isValid() ? QVariant(look.background) : QVariant();
    return look.toolTip.isEmpty() ? QVariant() : QVariant(look.toolTip);
  }

  // A cell's look is asked once after each change of the data; paints read the cache.
  const std::optional<CellLook>& lookAt(int row, int column) const {
    const quint64 key =
        (static_cast<quint64>(static_cast<quint32>(row)) << 32) | static_cast<quint32>(column);
    auto cached = lookCache_.constFind(key);
    if (cached != lookCache_.cend()) return *cached;
    if (!prepared_ && looks_.prepare) looks_.prepare();
    prepared_ = true;
    return *lookCache_.insert(key, looks_.look(row, fieldOf_(column)));
  }

  QHash<int, Qt::Alignment> cells_;
  QHash<int, Qt::Alignment> titles_;
  CellLookSource looks_;
  std::function<QString(int column)> fieldOf_;
  mutable QHash<quint64, std::optional<CellLook>> lookCache_;
  mutable bool prepared_ = false;
};

namespace {

const QString kColumnProperty = QStringLiteral("Column");

QString alignmentWord(Qt::Alignment alignment) {
  if (alignment & Qt::AlignLeft) return QStringLiteral("left");
  if (alignment & Qt::AlignRight) return QStringLiteral("right");
  return QStringLiteral("center");
}

bool alignmentFromWord(const QString& word, Qt::Alignment* alignment) {
  if (word == QStringLiteral("left"))
    *alignment = Qt::AlignLeft | Qt::AlignVCenter;
  else if (word == QStringLiteral("right"))
    *alignment = Qt::AlignRight | Qt::AlignVCenter;
  else if (word == QStringLiteral("center"))
    *alignment = Qt::AlignCenter;
  else
    return false;
  return true;
}

QString columnText(const GridColumn& column) {
  return QStringLiteral("field=%1 width=%2 alignment=%3 title-alignment=%4 visible=%5")
      .arg(column.field)
      .arg(column.width)
      .arg(alignmentWord(column.alignment), alignmentWord(column.titleAlignment),
           column.visible ? QStringLiteral("true") : QStringLiteral("false"));
}

// Every key must be present once and valid.
bool columnFromText(const QString& text, GridColumn* column) {
  QHash<QString, QString> pairs;
  for (const QString& token : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
    const int equals = token.indexOf(QLatin1Char('='));
    if (equals <= 0 || pairs.contains(token.left(equals))) return false;
    pairs.insert(token.left(equals), token.mid(equals + 1));
  }
  bool widthOk = false;
  column->field = pairs.value(QStringLiteral("field"));
  column->width = pairs.value(QStringLiteral("width")).toInt(&widthOk);
  const QString visible = pairs.value(QStringLiteral("visible"));
  column->visible = visible == QStringLiteral("true");
  return pairs.size() == 5 && !column->field.isEmpty() && widthOk && column->width >= 0 &&
         (column->visible || visible == QStringLiteral("false")) &&
         alignmentFromWord(pairs.value(QStringLiteral("alignment")), &column->alignment) &&
         alignmentFromWord(pairs.value(QStringLiteral("title-alignment")), &column->titleAlignment);
}

}  // namespace

DatasetGrid::DatasetGrid(QWidget* parent) : QTableView(parent) {
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setTabKeyNavigation(false);
  horizontalHeader()->setSectionsMovable(true);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  horizontalHeader()->setHighlightSections(false);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  // Every row is as high as the next: the grid never measures rows.
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  setItemDelegate(new GridCellDelegate(this));
  setShowGrid(true);
}

DatasetGrid::~DatasetGrid() = default;

void DatasetGrid::setDataset(Dataset* dataset, const QVector<GridColumn>& columns) {
  designColumns_ = columns;
  QStringList fields;
  for (const GridColumn& column : columns) fields << column.field;
  model_ = new DatasetModel(dataset, this);
  model_->setColumns(fields);
  proxy_ = new ColumnAlignmentProxy(this);
  proxy_->setSourceModel(model_);
  setModel(proxy_);
  new DatasetCursorLink(dataset, selectionModel(), this);
  setGridColumns(columns);
}

Dataset* DatasetGrid::dataset() const { return model_ ? model_->dataset() : nullptr; }

QVector<GridColumn> DatasetGrid::gridColumns() const {
  QVector<GridColumn> columns;
  if (!model_) return columns;
  const QHeaderView* header = horizontalHeader();
  for (int visual = 0; visual < header->count(); ++visual) {
    const int logical = header->logicalIndex(visual);
    GridColumn column;
    column.field = model_->fieldNameAt(logical);
    column.visible = !header->isSectionHidden(logical);
    // A hidden section reports width 0; keep the width it will come back with.
    column.width = column.visible ? header->sectionSize(logical) : hiddenWidths_.value(logical);
    column.alignment = proxy_->cellAlignment(logical);
    column.titleAlignment = proxy_->titleAlignment(logical);
    columns.append(column);
  }
  return columns;
}

void DatasetGrid::setGridColumns(const QVector<GridColumn>& columns) {
  if (!model_) return;
  QVector<GridColumn> ordered;
  QStringList named;
  for (const GridColumn& column : columns) {
    if (columnOfField(column.field) < 0 || named.contains(column.field, Qt::CaseInsensitive)) continue;
    ordered.append(column);
    named << column.field;
  }
  for (const GridColumn& design : designColumns_)
    if (!named.contains(design.field, Qt::CaseInsensitive)) ordered.append(design);

  QHeaderView* header = horizontalHeader();
  for (int visual = 0; visual < ordered.size(); ++visual) {
    const GridColumn& column = ordered[visual];
    const int logical = columnOfField(column.field);
    header->moveSection(header->visualIndex(logical), visual);
    header->setSectionHidden(logical, false);
    const int width = std::max(column.width, titleWidth(logical));
    header->resizeSection(logical, width);
    header->setSectionHidden(logical, !column.visible);
    if (!column.visible) hiddenWidths_.insert(logical, width);
    proxy_->setAlignments(logical, column.alignment, column.titleAlignment);
  }
}

int DatasetGrid::titleWidth(int logicalColumn) const {
  // The header's own measure: its font, margins and the style's decorations.
  return horizontalHeader()->sectionSizeHint(logicalColumn);
}

// A new font or style changes what a title needs: no column stays narrower.
void DatasetGrid::changeEvent(QEvent* event) {
  QTableView::changeEvent(event);
  if (!model_ || (event->type() != QEvent::FontChange && event->type() != QEvent::StyleChange)) return;
  QHeaderView* header = horizontalHeader();
  for (int logical = 0; logical < header->count(); ++logical) {
    if (header->isSectionHidden(logical))
      hiddenWidths_[logical] = std::max(hiddenWidths_.value(logical), titleWidth(logical));
    else if (header->sectionSize(logical) < titleWidth(logical))
      header->resizeSection(logical, titleWidth(logical));
  }
}

QString DatasetGrid::fieldNameAt(int logicalColumn) const {
  return model_ ? model_->fieldNameAt(logicalColumn) : QString();
}

int DatasetGrid::columnOfField(const QString& field) const { return model_ ? model_->columnOf(field) : -1; }

void DatasetGrid::setCellLooks(CellLookSource source) {
  if (!proxy_) return;
  proxy_->setLooks(std::move(source), [this](int column) { return model_->fieldNameAt(column); });
  viewport()->update();
}

void DatasetGrid::refreshCellLooks() {
  if (proxy_) proxy_->forgetLooks();
  viewport()->update();
}

QList<ComponentProperty> DatasetGrid::publishedProperties() const {
  QList<ComponentProperty> properties;
  for (const GridColumn& column : gridColumns()) properties.append({kColumnProperty, columnText(column)});
  return properties;
}

bool DatasetGrid::restoreProperties(const QList<ComponentProperty>& properties) {
  QVector<GridColumn> columns;
  for (const ComponentProperty& property : properties) {
    GridColumn column;
    if (property.name != kColumnProperty || !columnFromText(property.value, &column)) return false;
    columns.append(column);
  }
  setGridColumns(columns);
  return true;
}

void DatasetGrid::keyPressEvent(QKeyEvent* event) {
  const QString text = event->text();
  if (!text.isEmpty() && text.at(0).isPrint()) {
    emit characterTyped(text);
    event->accept();
    return;
  }
  QTableView::keyPressEvent(event);
}
