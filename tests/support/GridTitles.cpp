#include "support/GridTitles.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QStyle>

#include "ui/DatasetGrid.h"

QStringList cutGridTitles(const DatasetGrid* grid) {
  const QHeaderView* header = grid->horizontalHeader();
  const QFontMetrics metrics(header->font());
  // The header leaves a margin on either side of a title.
  const int margins = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
  QStringList cut;
  for (int column = 0; column < header->count(); ++column) {
    if (header->isSectionHidden(column)) continue;
    const QString title = grid->model()->headerData(column, Qt::Horizontal).toString();
    const int needed = metrics.horizontalAdvance(title) + margins;
    if (header->sectionSize(column) < needed)
      cut << QStringLiteral("%1: %2 < %3").arg(title).arg(header->sectionSize(column)).arg(needed);
  }
  return cut;
}
