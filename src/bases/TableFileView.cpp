#include "bases/TableFileView.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>

#include "settings/NumericText.h"

namespace table_file_view {

void setUpTable(QTableWidget* table, const QStringList& titles) {
  table->setColumnCount(static_cast<int>(titles.size()));
  table->setHorizontalHeaderLabels(titles);
  table->verticalHeader()->setVisible(false);
  table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
}

void show(const Shown& file, QLabel* pathLabel, QTableWidget* table, QLabel* problemsLabel) {
  const QString shownPath = QDir::toNativeSeparators(QFileInfo(file.path).absoluteFilePath());
  pathLabel->setText(QFileInfo::exists(file.path)
                         ? QStringLiteral("Файл: ") + shownPath
                         : QStringLiteral("Файл: %1 (нет файла: %2)").arg(shownPath, file.missingNote));
  table->setRowCount(static_cast<int>(file.rows.size()));
  for (int row = 0; row < file.rows.size(); ++row) {
    const QStringList& texts = file.rows[row];
    for (int column = 0; column < texts.size(); ++column) {
      auto* item = new QTableWidgetItem(texts[column]);
      item->setTextAlignment(Qt::AlignCenter);
      table->setItem(row, column, item);
    }
  }
  problemsLabel->setText(file.problems.isEmpty()
                             ? QString()
                             : QStringLiteral("Пропущенные строки:\n") + file.problems.join('\n'));
  problemsLabel->setVisible(!file.problems.isEmpty());
}

QString decimalText(double value) { return numberToText(value).replace(QLatin1Char('.'), QLatin1Char(',')); }

}  // namespace table_file_view
