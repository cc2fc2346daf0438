#pragma once

// The main window of the benchmarks that time what the operator sees.
#include <QTest>
#include <QTreeWidget>

#include "support/Widgets.h"
#include "workspace/MainWindow.h"

// Shows the window on the program directory's database and chooses the first
// meter of the first base, as the operator's click in the tree does.
inline void showWithFirstMeterChosen(MainWindow& window) {
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) qFatal("main window not shown");
  QTreeWidget* tree = widgets::child<QTreeWidget>(window, "baseTree");
  tree->setCurrentItem(tree->topLevelItem(1)->child(0));
  window.showSelection();
}
