#include "BrowserDriver.h"

#include "support/Keyboard.h"
#include "ui/DatasetGrid.h"

#include <QHeaderView>
#include <QTest>

namespace BrowserDriver {

void Type(QWidget* widget, const QString& text) {
  if (!keyboard::ClickToFocus(widget)) QFAIL("the control does not take the focus");
  keyboard::Type(text);
}

void ClickTitle(DatasetGrid* grid, int column) {
  QHeaderView* header = grid->horizontalHeader();
  const QPoint point(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                     header->height() / 2);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, point);
}

void ClickRow(DatasetGrid* grid, int row) {
  const QRect cell = grid->visualRect(grid->model()->index(row, 0));
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
}

QStringList ColumnTexts(DatasetGrid* grid, int column) {
  QStringList texts;
  for (int row = 0; row < grid->model()->rowCount(); ++row)
    texts << grid->model()->index(row, column).data().toString();
  return texts;
}

QStringList ListedMeters(DatasetGrid* grid) {
  const QStringList types = ColumnTexts(grid, 0);
  const QStringList numbers = ColumnTexts(grid, 1);
  QStringList meters;
  for (int i = 0; i < types.size(); ++i) meters << types[i] + QLatin1Char(' ') + numbers[i];
  return meters;
}

}  // namespace BrowserDriver
