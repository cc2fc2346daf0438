#include "bases/LimitsWindow.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>

#include "reports/AccuracyLimits.h"
#include "settings/NumericText.h"
#include "ui_LimitsWindow.h"

namespace {

const QStringList kTitles = {QStringLiteral("Класс"), QStringLiteral("cos φ"), QStringLiteral("Ток от, %"),
                             QStringLiteral("Ток до, %"), QStringLiteral("Предел, %")};

QString decimalText(double value) { return numberToText(value).replace(QLatin1Char('.'), QLatin1Char(',')); }

QString powerFactorText(const PowerFactor& powerFactor) {
  const QString value = decimalText(powerFactor.value);
  return powerFactor.letter.isNull() ? value : value + QLatin1Char('/') + powerFactor.letter;
}

QStringList rowTexts(const LimitRow& row) {
  return {row.classText, powerFactorText(row.powerFactor), decimalText(row.currentFrom),
          row.currentTo ? decimalText(*row.currentTo) : QString(), limitText(row.limit)};
}

}  // namespace

LimitsWindow::LimitsWindow(QWidget* parent) : OpenedWindow(parent), ui(std::make_unique<Ui::LimitsWindow>()) {
  ui->setupUi(this);
  ui->limitsTable->setColumnCount(static_cast<int>(kTitles.size()));
  ui->limitsTable->setHorizontalHeaderLabels(kTitles);
  ui->limitsTable->verticalHeader()->setVisible(false);
  ui->limitsTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  connect(ui->closeButton, &QPushButton::clicked, this, &QWidget::close);
  previewKeys();
}

LimitsWindow::~LimitsWindow() = default;

void LimitsWindow::open(QWidget* opener) {
  const QString path = programLimitsPath();
  QStringList problems;
  const AccuracyLimits limits = AccuracyLimits::load(path, &problems);
  showLimits(path, limits, problems);
  centreOnScreen();
  showFor(opener);
}

void LimitsWindow::showLimits(const QString& path, const AccuracyLimits& limits,
                              const QStringList& problems) {
  const QString shownPath = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
  ui->pathLabel->setText(
      QFileInfo::exists(path)
          ? QStringLiteral("Файл: ") + shownPath
          : QStringLiteral("Файл: %1 (нет файла: погрешности не оцениваются)").arg(shownPath));
  QTableWidget* table = ui->limitsTable;
  table->setRowCount(static_cast<int>(limits.rows().size()));
  for (int row = 0; row < limits.rows().size(); ++row) {
    const QStringList texts = rowTexts(limits.rows()[row]);
    for (int column = 0; column < texts.size(); ++column) {
      auto* item = new QTableWidgetItem(texts[column]);
      item->setTextAlignment(Qt::AlignCenter);
      table->setItem(row, column, item);
    }
  }
  ui->problemsLabel->setText(
      problems.isEmpty() ? QString() : QStringLiteral("Пропущенные строки:\n") + problems.join('\n'));
  ui->problemsLabel->setVisible(!problems.isEmpty());
}

bool LimitsWindow::formKeyPress(QKeyEvent* event) {
  if (!isEscapeKey(event)) return false;
  close();
  return true;
}
