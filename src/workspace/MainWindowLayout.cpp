// The main window's layout between runs: window state, size and split in the
// memo's lines, the grid's columns, each in its component file.
#include <QGuiApplication>

#include <QPlainTextEdit>
#include <QScreen>
#include <QShowEvent>
#include <QSplitter>
#include <algorithm>

#include "settings/ComponentFile.h"
#include "settings/ProgramDir.h"
#include "ui_MainWindow.h"
#include "ui/DatasetGrid.h"
#include "workspace/MainWindow.h"
#include "workspace/WindowLayout.h"

namespace {
const QString kGridFile = QStringLiteral("sources/datagrid.res");
const QString kMemoFile = QStringLiteral("sources/mform.res");
constexpr int kDesignTreeWidth = 176;
}  // namespace

void MainWindow::RestoreLayout() {
  LoadComponentFromFile(ui->pointGrid, ProgramPath(kGridFile));
  LoadComponentFromFile(ui->layoutText, ProgramPath(kMemoFile));
  const StoredLayout layout = ParseLayoutLines(ui->layoutText->toPlainText().split(QLatin1Char('\n')));
  if (layout.state == Qt::WindowNoState) {
    setWindowState(Qt::WindowNoState);
    if (layout.size) {
      const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
      resize(FittedWindowSize(*layout.size, screen ? screen->availableGeometry().size() : QSize()));
    }
  } else if (layout.state) {
    setWindowState(*layout.state);
  }
  if (layout.splitPercent > 0) splitFraction_ = layout.splitPercent / 100.0;
}

void MainWindow::SaveLayout() {
  const int splitPercent = qRound(currentSplitFraction() * 100);
  ui->layoutText->setPlainText(FormatLayoutLines(windowState(), frameGeometry().topLeft(), size(), splitPercent)
                              .join(QLatin1Char('\n')));
  // The files name the controls as they were named when the format was made.
  SaveComponentToFile(ui->layoutText, ProgramPath(kMemoFile), false, QStringLiteral("MForm"));
  SaveComponentToFile(ui->pointGrid, ProgramPath(kGridFile), false, QStringLiteral("DBGrid1"));
}

double MainWindow::currentSplitFraction() const {
  const QList<int> sizes = ui->splitter->sizes();
  const int total = sizes.value(0) + sizes.value(1);
  if (!ui->splitter->isVisible() || total <= 0) return splitFraction_;
  return double(sizes.value(0)) / total;
}

// The split keeps its share of the width as the window is resized.
void MainWindow::ApplySplit() {
  const QList<int> sizes = ui->splitter->sizes();
  const int total = sizes.value(0) + sizes.value(1);
  if (total <= 0) return;
  // Without a stored split the tree pane starts at its design width.
  if (splitFraction_ <= 0) splitFraction_ = std::min(double(kDesignTreeWidth) / total, 0.5);
  const int left = qRound(total * splitFraction_);
  ui->splitter->setSizes({left, total - left});
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
  ApplySplit();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (shownBefore_) ApplySplit();
}
