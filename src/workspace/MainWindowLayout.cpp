// The main window's layout between runs: window state, size and splits in the
// memo's lines, the grid's columns, each in its component file.
#include <QGuiApplication>

#include <QPlainTextEdit>
#include <QScreen>
#include <QShowEvent>
#include <QSplitter>
#include <algorithm>

#include "settings/ComponentFile.h"
#include "settings/ProgramDir.h"
#include "ui/DatasetGrid.h"
#include "ui_MainWindow.h"
#include "workspace/MainWindow.h"
#include "workspace/WindowLayout.h"

namespace {
const QString kGridFile = QStringLiteral("sources/datagrid.res");
const QString kMemoFile = QStringLiteral("sources/mform.res");
constexpr int kDesignTreeWidth = 176;
constexpr double kDesignGridShare = 0.55;   // of the height shared with the chart
constexpr double kDesignChartShare = 0.55;  // of the width shared with the program view

// The first pane's share of a two-pane splitter; `fallback` while it has no size.
double firstPaneShare(const QSplitter& splitter, double fallback) {
  const QList<int> sizes = splitter.sizes();
  const int total = sizes.value(0) + sizes.value(1);
  if (!splitter.isVisible() || total <= 0) return fallback;
  return double(sizes.value(0)) / total;
}

void setFirstPaneShare(QSplitter& splitter, double share) {
  const QList<int> sizes = splitter.sizes();
  const int total = sizes.value(0) + sizes.value(1);
  if (total <= 0) return;
  const int first = qRound(total * share);
  splitter.setSizes({first, total - first});
}
}  // namespace

void MainWindow::restoreLayout() {
  loadComponentFromFile(ui->pointGrid, programPath(kGridFile));
  loadComponentFromFile(ui->layoutText, programPath(kMemoFile));
  const StoredLayout layout = parseLayoutLines(ui->layoutText->toPlainText().split(QLatin1Char('\n')));
  if (layout.state == Qt::WindowNoState) {
    setWindowState(Qt::WindowNoState);
    if (layout.size) {
      const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
      resize(fittedWindowSize(*layout.size, screen ? screen->availableGeometry().size() : QSize()));
    }
  } else if (layout.state) {
    setWindowState(*layout.state);
  }
  if (layout.splitPercent > 0) splitFraction_ = layout.splitPercent / 100.0;
  if (layout.chartSplitPercent > 0) chartSplitFraction_ = layout.chartSplitPercent / 100.0;
  if (layout.programSplitPercent > 0) programSplitFraction_ = layout.programSplitPercent / 100.0;
}

void MainWindow::saveLayout() {
  const int splitPercent = qRound(currentSplitFraction() * 100);
  const int chartSplitPercent = qRound(currentChartSplitFraction() * 100);
  const int programSplitPercent = qRound(currentProgramSplitFraction() * 100);
  ui->layoutText->setPlainText(formatLayoutLines(windowState(), frameGeometry().topLeft(), size(),
                                                 splitPercent, chartSplitPercent, programSplitPercent)
                                   .join(QLatin1Char('\n')));
  // The files name the controls as they were named when the format was made.
  saveComponentToFile(ui->layoutText, programPath(kMemoFile), false, QStringLiteral("MForm"));
  saveComponentToFile(ui->pointGrid, programPath(kGridFile), false, QStringLiteral("DBGrid1"));
}

double MainWindow::currentSplitFraction() const { return firstPaneShare(*ui->treeSplitter, splitFraction_); }

double MainWindow::currentChartSplitFraction() const {
  return firstPaneShare(*ui->pointSplitter, chartSplitFraction_);
}

double MainWindow::currentProgramSplitFraction() const {
  return firstPaneShare(*ui->programSplitter, programSplitFraction_);
}

// The splits keep their shares of width and height as the window is resized.
void MainWindow::applySplit() {
  const QList<int> sizes = ui->treeSplitter->sizes();
  const int total = sizes.value(0) + sizes.value(1);
  if (total <= 0) return;
  // Without a stored split the tree pane starts at its design width.
  if (splitFraction_ <= 0) splitFraction_ = std::min(double(kDesignTreeWidth) / total, 0.5);
  setFirstPaneShare(*ui->treeSplitter, splitFraction_);
  if (chartSplitFraction_ <= 0) chartSplitFraction_ = kDesignGridShare;
  setFirstPaneShare(*ui->pointSplitter, chartSplitFraction_);
  if (programSplitFraction_ <= 0) programSplitFraction_ = kDesignChartShare;
  setFirstPaneShare(*ui->programSplitter, programSplitFraction_);
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shownBefore_ || event->spontaneous()) return;
  shownBefore_ = true;
  if (!(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))) {
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (screen) {
      QRect frame = frameGeometry();
      frame.moveCenter(screen->availableGeometry().center());
      move(frame.topLeft());
    }
  }
  applySplit();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (shownBefore_) applySplit();
}
