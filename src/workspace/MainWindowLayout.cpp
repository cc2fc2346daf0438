// The main window's layout between runs: window state, size and splits in the
// memo's lines, the grid's columns, each in its component file.
#include <QGuiApplication>

#include <QHeaderView>
#include <QPlainTextEdit>
#include <QScreen>
#include <QShowEvent>
#include <QSplitter>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QTreeWidget>
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
constexpr double kDesignChartShare = 0.45;  // of the width shared with the program view: its columns fit

// The first pane's share of a two-pane splitter; `fallback` while it has no size.
double firstPaneShare(const QSplitter& splitter, double fallback) {
  const QList<int> sizes = splitter.sizes();
  const int total = sizes.value(0) + sizes.value(1);
  if (!splitter.isVisible() || total <= 0) return fallback;
  return double(sizes.value(0)) / total;
}

// The width a view needs beside its contents: its frame and a vertical scroll
// bar (a long list must not push the contents into a horizontal one).
int viewFrameWidth(const QAbstractScrollArea& view) {
  return 2 * view.frameWidth() + view.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &view);
}

// The width of the row numbers for up to three digits (as many points as a
// meter gets): wider than they are while the grid is empty.
int rowNumbersWidth(const QHeaderView& rows) {
  QStyleOptionHeader option;
  option.initFrom(&rows);
  option.orientation = Qt::Vertical;
  option.text = QStringLiteral("000");
  QFont bold = rows.font();  // the header measures its titles in bold
  bold.setBold(true);
  option.fontMetrics = QFontMetrics(bold);
  const QSize threeDigits = rows.style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), &rows);
  return std::max(rows.sizeHint().width(), threeDigits.width());
}

// What the grid needs to show every column whole.
int neededGridWidth(const QTableView& grid) {
  int width = viewFrameWidth(grid) + rowNumbersWidth(*grid.verticalHeader());
  const QHeaderView* columns = grid.horizontalHeader();
  for (int logical = 0; logical < columns->count(); ++logical)
    if (!columns->isSectionHidden(logical)) width += columns->sectionSize(logical);
  return width;
}

// What the tree needs to show the names of the bases whole.
int neededTreeWidth(const QAbstractItemView& tree) {
  return viewFrameWidth(tree) + tree.sizeHintForColumn(0);
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
  layoutStored_ = layout.state.has_value();
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
  // Without a stored split the tree pane starts at its design width, wider
  // when a base name needs it, narrower when the grid's columns need it.
  if (splitFraction_ <= 0) {
    const int names = neededTreeWidth(*ui->baseTree);
    const int tree = std::max(names, std::min(kDesignTreeWidth, total - neededGridWidth(*ui->pointGrid)));
    splitFraction_ = std::min(double(tree) / total, 0.5);
  }
  setFirstPaneShare(*ui->treeSplitter, splitFraction_);
  if (chartSplitFraction_ <= 0) chartSplitFraction_ = kDesignGridShare;
  setFirstPaneShare(*ui->pointSplitter, chartSplitFraction_);
  if (programSplitFraction_ <= 0) programSplitFraction_ = kDesignChartShare;
  setFirstPaneShare(*ui->programSplitter, programSplitFraction_);
}

// Without a stored layout the window opens at its design size, wider (as far
// as the screen allows) when the grid's columns and the base names in the
// tree need it: nothing is cut and no scroll bar shows at the first start.
void MainWindow::fitFirstLayout() {
  const int tree = std::max(kDesignTreeWidth, neededTreeWidth(*ui->baseTree));
  const int wanted = tree + ui->treeSplitter->handleWidth() + neededGridWidth(*ui->pointGrid) + width() -
                     ui->treeSplitter->width();
  const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  const int frame = frameGeometry().width() - width();
  const int available = screen ? screen->availableGeometry().width() - frame : wanted;
  if (wanted > width()) resize(std::max(width(), std::min(wanted, available)), height());
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shownBefore_ || event->spontaneous()) return;
  shownBefore_ = true;
  if (!layoutStored_) fitFirstLayout();
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
