#pragma once

#include <QStyledItemDelegate>

// Paints a grid's read-only text cells: background (the selection's, or the
// cell's own tint), the text in the cell's alignment (cut with "…" when it
// does not fit) and the focus frame, as the style's item painting does for
// such a cell, but without laying out each cell's text anew at every paint:
// a grid of 500 visible rows repaints in a few milliseconds.
class GridCellDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
