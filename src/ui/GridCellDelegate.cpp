#include "ui/GridCellDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

namespace {

// A model gives the alignment as Qt::Alignment or as a plain number.
Qt::Alignment cellAlignment(const QVariant& alignment) {
  if (!alignment.isValid()) return Qt::AlignLeft | Qt::AlignVCenter;
  if (alignment.metaType() == QMetaType::fromType<Qt::Alignment>()) return alignment.value<Qt::Alignment>();
  return Qt::Alignment(alignment.toInt());
}

}  // namespace

void GridCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
  const QStyle* style = option.widget ? option.widget->style() : QApplication::style();
  const bool selected = option.state & QStyle::State_Selected;
  const QPalette::ColorGroup group = !(option.state & QStyle::State_Enabled) ? QPalette::Disabled
                                     : (option.state & QStyle::State_Active) ? QPalette::Normal
                                                                             : QPalette::Inactive;
  if (selected) {
    painter->fillRect(option.rect, option.palette.brush(group, QPalette::Highlight));
  } else if (const QVariant background = index.data(Qt::BackgroundRole); background.isValid()) {
    painter->fillRect(option.rect, qvariant_cast<QBrush>(background));
  }

  const QString text = index.data(Qt::DisplayRole).toString();
  if (!text.isEmpty()) {
    QColor color = option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);
    if (!selected)
      if (const QVariant foreground = index.data(Qt::ForegroundRole); foreground.isValid())
        color = qvariant_cast<QBrush>(foreground).color();
    const Qt::Alignment align = cellAlignment(index.data(Qt::TextAlignmentRole));
    // The text's margins as the style's item painting leaves them.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, option.widget) + 1;
    const QRect textRect = option.rect.adjusted(margin, 0, -margin, 0);
    const QFontMetrics& metrics = option.fontMetrics;
    const QString shown = metrics.horizontalAdvance(text) <= textRect.width()
                              ? text
                              : metrics.elidedText(text, Qt::ElideRight, textRect.width());
    if (painter->font() != option.font) painter->setFont(option.font);
    painter->setPen(color);
    painter->drawText(textRect, static_cast<int>(align), shown);
  }

  if (option.state & QStyle::State_HasFocus) {
    QStyleOptionFocusRect focus;
    focus.QStyleOption::operator=(option);
    focus.rect = option.rect;
    focus.state |= QStyle::State_KeyboardFocusChange;
    focus.backgroundColor = option.palette.color(group, selected ? QPalette::Highlight : QPalette::Window);
    style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, option.widget);
  }
}
