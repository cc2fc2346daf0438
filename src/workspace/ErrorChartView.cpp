#include "workspace/ErrorChartView.h"

#include <QAbstractAxis>
#include <QAction>
#include <QDir>
#include <QMenu>

#include "reports/ErrorChartRenderer.h"
#include "settings/ProgramDir.h"
#include "ui/FileDialogs.h"
#include "ui/MessageService.h"

namespace {

const QString kSaveCaption = QStringLiteral("Сохранить график…");
const QString kSuggestedName = QStringLiteral("protocols/График погрешности.png");
constexpr qreal kPaneFontScale = 0.85;
const QStringList kPictureFilters = {QStringLiteral("Рисунок PNG (*.png)"),
                                     QStringLiteral("Рисунок SVG (*.svg)")};

}  // namespace

ErrorChartView::ErrorChartView(QWidget* parent) : QChartView(parent) {
  setRenderHint(QPainter::Antialiasing);
  chart()->setBackgroundRoundness(0);
  chart()->setMargins(QMargins(4, 4, 4, 4));
  setContextMenuPolicy(Qt::CustomContextMenu);
  menu_ = new QMenu(this);
  menu_->setObjectName(QStringLiteral("chartMenu"));
  saveAction_ = menu_->addAction(kSaveCaption, this, &ErrorChartView::saveChart);
  saveAction_->setObjectName(QStringLiteral("saveChartAction"));
  connect(this, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& point) { menu_->popup(viewport()->mapToGlobal(point)); });
  showContent({});
}

void ErrorChartView::showContent(ErrorChart content) {
  content_ = std::move(content);
  drawErrorChart(*chart(), content_);
  fitToPane();
  saveAction_->setEnabled(!content_.isEmpty());
}

// The pane shares the window's height with the grid: the legend goes beside
// the curves and the axes use a smaller type than the protocols' pictures.
void ErrorChartView::fitToPane() {
  chart()->legend()->setAlignment(Qt::AlignRight);
  for (QAbstractAxis* axis : chart()->axes()) {
    QFont labels = axis->labelsFont();
    labels.setPointSizeF(labels.pointSizeF() * kPaneFontScale);
    axis->setLabelsFont(labels);
    QFont title = axis->titleFont();
    title.setPointSizeF(title.pointSizeF() * kPaneFontScale);
    axis->setTitleFont(title);
  }
}

void ErrorChartView::saveChart() {
  const QString fileName = FileDialogs::saveFileName(
      this, kSaveCaption, QDir::toNativeSeparators(programPath(kSuggestedName)), kPictureFilters);
  if (fileName.isEmpty()) return;
  QString error;
  if (!saveChartPicture(*chart(), fileName, &error))
    MessageService::notice(
        this, QStringLiteral("Сохранение графика"),
        QStringLiteral("Не удалось записать файл %1: %2").arg(QDir::toNativeSeparators(fileName), error));
}
