#pragma once

#include <QChartView>

#include "reports/ErrorChart.h"

class QAction;
class QMenu;

// The chart pane of the main window: the chosen meter's error curves. Its
// context menu offers "Сохранить график…" (PNG or SVG through a file dialog).
class ErrorChartView : public QChartView {
  Q_OBJECT
 public:
  explicit ErrorChartView(QWidget* parent = nullptr);

  // Shows the content in place of what was shown.
  void showContent(ErrorChart content);
  const ErrorChart& content() const { return content_; }

 public slots:
  // "Сохранить график…": asks for a file and writes the chart as shown.
  void saveChart();

 private:
  void fitToPane();

  ErrorChart content_;
  QAction* saveAction_;
  QMenu* menu_;
};
