#include "BrowserDriver.h"

#include "support/Keyboard.h"
#include "ui/DatasetGrid.h"

#include <QHeaderView>
#include <QTest>

namespace BrowserDriver {

void type(QWidget* widget, const QString& text) {
  if (!keyboard::clickToFocus(widget)) QFAIL("the control does not take the focus");
  keyboard::type(text);
}

void clickTitle(DatasetGrid* grid, int column) {
  QHeaderView* header = grid->horizontalHeader();
  const QPoint point(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                     header->height() / 2);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, point);
}

void clickRow(DatasetGrid* grid, int row) {
  const QRect cell = grid->visualRect(grid->model()->index(row, 0));
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
}

QStringList columnTexts(DatasetGrid* grid, int column) {
  QStringList texts;
  for (int row = 0; row < grid->model()->rowCount(); ++row)
    texts << grid->model()->index(row, column).data().toString();
  return texts;
}

QStringList listedMeters(DatasetGrid* grid) {
  const QStringList types = columnTexts(grid, 0);
  const QStringList numbers = columnTexts(grid, 1);
  QStringList meters;
  for (int i = 0; i < types.size(); ++i) meters << types[i] + QLatin1Char(' ') + numbers[i];
  return meters;
}

}  // namespace BrowserDriver
