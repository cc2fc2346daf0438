#pragma once

#include <QPoint>
#include <QSize>
#include <QStringList>

#include <optional>

// The main window's layout lines, kept in the invisible layout memo and its
// component file between runs:
//   0 the window state word "wsNormal", "wsMaximized" or "wsMinimized"
//   1 top edge, 2 left edge, 3 height, 4 width of the window
//   5 the split between tree and grid, in percent of the width
//   6 the split between grid and chart, the grid's percent of the height
//   7 the split between chart and program view, the chart's percent of the width
// Files written before the chart or the program view existed end after line 5
// or 6 and are read as well.
struct StoredLayout {
  std::optional<Qt::WindowState> state;  // none: the state word is missing or unknown
  std::optional<QSize> size;             // normal state with a usable height and width
  int splitPercent = 0;                  // 0: keep the design split
  int chartSplitPercent = 0;             // 0: keep the design split
  int programSplitPercent = 0;           // 0: keep the design split
};

QStringList formatLayoutLines(Qt::WindowStates states, const QPoint& topLeft, const QSize& size,
                              int splitPercent, int chartSplitPercent, int programSplitPercent);

// Lines that are missing or not integers are ignored (the design values stay).
StoredLayout parseLayoutLines(const QStringList& lines);

// The stored size as the window takes it on a screen whose available area is
// `available`: no side larger than the area's (a damaged or foreign file must
// not make a window larger than the screen, nor one that keeps growing).
QSize fittedWindowSize(const QSize& stored, const QSize& available);
