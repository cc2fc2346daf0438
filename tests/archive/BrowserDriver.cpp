#include "BrowserDriver.h"

#include "ui/DatasetGrid.h"

#include <QHeaderView>
#include <QTest>

namespace BrowserDriver {

void Type(QWidget* widget, const QString& text) {
  for (const QChar c : text) {
    const auto key = c == QLatin1Char('\b') ? Qt::Key_Backspace : static_cast<Qt::Key>(c.toUpper().unicode());
    QTest::sendKeyEvent(QTest::Press, widget, key, QString(c), Qt::NoModifier);
    QTest::sendKeyEvent(QTest::Release, widget, key, QString(c), Qt::NoModifier);
  }
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
