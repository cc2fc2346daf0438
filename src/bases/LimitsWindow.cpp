#include "bases/LimitsWindow.h"

#include <QKeyEvent>

#include "bases/TableFileView.h"
#include "reports/AccuracyLimits.h"
#include "ui_LimitsWindow.h"

namespace {

using table_file_view::decimalText;

const QStringList kTitles = {QStringLiteral("Класс"), QStringLiteral("cos φ"), QStringLiteral("Ток от, %"),
                             QStringLiteral("Ток до, %"), QStringLiteral("Предел, %")};

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
  table_file_view::setUpTable(ui->limitsTable, kTitles);
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
  table_file_view::Shown file{path, QStringLiteral("погрешности не оцениваются"), {}, problems};
  for (const LimitRow& row : limits.rows()) file.rows.append(rowTexts(row));
  table_file_view::show(file, ui->pathLabel, ui->limitsTable, ui->problemsLabel);
}

bool LimitsWindow::formKeyPress(QKeyEvent* event) {
  if (!isEscapeKey(event)) return false;
  close();
  return true;
}
