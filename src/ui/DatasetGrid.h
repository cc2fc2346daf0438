#pragma once

#include "settings/ComponentFile.h"

#include <QColor>
#include <QHash>
#include <QTableView>
#include <QVector>

#include <functional>
#include <optional>

class Dataset;
class DatasetModel;
class ColumnAlignmentProxy;

// One column of a data grid, as the operator arranged it.
struct GridColumn {
  QString field;  // field name of the dataset (Columns::TestPoint::mark)
  int width = 64;
  Qt::Alignment alignment = Qt::AlignCenter;       // of the cells
  Qt::Alignment titleAlignment = Qt::AlignCenter;  // of the title
  bool visible = true;

  friend bool operator==(const GridColumn&, const GridColumn&) = default;
};

// How a cell looks beyond its field's text: a sign after the text, a
// background tint and a tooltip.
struct CellLook {
  QString sign;       // appended to the text, e.g. " ✓"
  QColor background;  // invalid: the grid's own
  QString toolTip;
};
// Where a grid's cells take their looks from. After each change of the data
// (or refreshCellLooks) the grid calls prepare once, before the first look, and
// then look once per cell it shows; paints in between reuse the looks.
struct CellLookSource {
  std::function<void()> prepare;  // optional
  // The look of the cell of dataset row `row` and field `field`; nothing: plain.
  std::function<std::optional<CellLook>(int row, const QString& field)> look;
};

// A read-only grid over a dataset of the data module: titles from the fields'
// display labels, a row indicator, columns the operator resizes and moves by
// dragging, the grid's current row following the dataset's cursor (both ways).
// Its column list (field, width, alignments, visibility, order) is written to
// and read from a component file.
class DatasetGrid : public QTableView, public StreamableComponent {
  Q_OBJECT
 public:
  explicit DatasetGrid(QWidget* parent = nullptr);
  ~DatasetGrid() override;

  // Shows the dataset with these columns in this order (design columns).
  void setDataset(Dataset* dataset, const QVector<GridColumn>& columns);
  Dataset* dataset() const;
  DatasetModel* datasetModel() const { return model_; }

  // The columns in their visual order, as they are now.
  QVector<GridColumn> gridColumns() const;
  // Puts the listed columns in this order with these settings; columns of the
  // design that the list does not name follow in their design order. A column
  // is never narrower than its title needs in the current font: a listed width
  // may make it wider, not narrower.
  void setGridColumns(const QVector<GridColumn>& columns);
  // Field name of a column given by its model (logical) index.
  QString fieldNameAt(int logicalColumn) const;
  // Model (logical) index of the column showing the field, -1 when none.
  int columnOfField(const QString& field) const;
  // Cells take their looks from the source from now on (no look: plain cells).
  void setCellLooks(CellLookSource source);
  // Asks the looks anew and repaints, after something they depend on beyond
  // the grid's own data changed.
  void refreshCellLooks();

  // StreamableComponent: property "Column" per column, in visual order.
  // The class name stored in layout files since their first version.
  QString streamClassName() const override { return QStringLiteral("TDBGrid"); }
  QList<ComponentProperty> publishedProperties() const override;
  bool restoreProperties(const QList<ComponentProperty>& properties) override;

 signals:
  // A typed character (the grid is read-only, so typing only reaches handlers).
  void characterTyped(const QString& text);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // The width the column's title needs in the header's current font.
  int titleWidth(int logicalColumn) const;

  DatasetModel* model_ = nullptr;
  ColumnAlignmentProxy* proxy_ = nullptr;
  QVector<GridColumn> designColumns_;
  QHash<int, int> hiddenWidths_;  // logical column → width it shows with again
};
