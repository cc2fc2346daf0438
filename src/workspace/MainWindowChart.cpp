// The chart pane under the test-point grid: the chosen meter's error curves,
// redrawn whenever its test points change (choice, saving, marking,
// renumbering, deleting).
#include <QTimer>

#include "database/DataModule.h"
#include "reports/ErrorChartRows.h"
#include "reports/ProtocolChart.h"
#include "ui/Selection.h"
#include "ui_MainWindow.h"
#include "workspace/ErrorChartView.h"
#include "workspace/MainWindow.h"

namespace {
const QString kNoMeterText = QStringLiteral("Счетчик не выбран");
}  // namespace

void MainWindow::setUpChart() {
  chartUpdate_ = new QTimer(this);
  chartUpdate_->setSingleShot(true);
  chartUpdate_->setInterval(0);
  connect(chartUpdate_, &QTimer::timeout, this, &MainWindow::updateChart);
  // A burst of changes (marking every point, renumbering) draws once, after
  // the last one; the datasets are not read while they are being changed.
  const TableDataset* points = dm_.testPoints;
  connect(points, &Dataset::rowsReset, chartUpdate_, qOverload<>(&QTimer::start));
  connect(points, &Dataset::rowChanged, chartUpdate_, qOverload<>(&QTimer::start));
  connect(points, &Dataset::rowInserted, chartUpdate_, qOverload<>(&QTimer::start));
  connect(points, &Dataset::rowRemoved, chartUpdate_, qOverload<>(&QTimer::start));
}

void MainWindow::scheduleChartUpdate() { chartUpdate_->start(); }

void MainWindow::updateChart() {
  chartUpdate_->stop();
  if (selection_.meterNum() == 0) {
    ErrorChart nothing;
    nothing.emptyText = kNoMeterText;
    ui->errorChart->showContent(std::move(nothing));
    return;
  }
  Connection& connection = *dm_.connection();
  ui->errorChart->showContent(meterErrorChart(readMeterErrorRows(connection, selection_.meterNum(), false),
                                              baseChartLimits(connection, selection_.baseName())));
}
