#include "workspace/WindowLayout.h"

#include <algorithm>

namespace {

const QString kNormal = QStringLiteral("wsNormal");
const QString kMaximized = QStringLiteral("wsMaximized");
const QString kMinimized = QStringLiteral("wsMinimized");

std::optional<int> integerLine(const QStringList& lines, int index) {
  bool ok = false;
  const int value = lines.value(index).trimmed().toInt(&ok);
  if (!ok) return std::nullopt;
  return value;
}

// A split's share in percent; 0 (the design split) unless strictly between 0 and 100.
int percentLine(const QStringList& lines, int index) {
  const std::optional<int> percent = integerLine(lines, index);
  return percent && *percent > 0 && *percent < 100 ? *percent : 0;
}

}  // namespace

QStringList formatLayoutLines(Qt::WindowStates states, const QPoint& topLeft, const QSize& size,
                              int splitPercent, int chartSplitPercent, int programSplitPercent) {
  QString word = kNormal;
  if (states & Qt::WindowMinimized)
    word = kMinimized;
  else if (states & Qt::WindowMaximized)
    word = kMaximized;
  return {word,
          QString::number(topLeft.y()),
          QString::number(topLeft.x()),
          QString::number(size.height()),
          QString::number(size.width()),
          QString::number(splitPercent),
          QString::number(chartSplitPercent),
          QString::number(programSplitPercent)};
}

StoredLayout parseLayoutLines(const QStringList& lines) {
  StoredLayout layout;
  const QString word = lines.value(0);
  if (word == kNormal) {
    layout.state = Qt::WindowNoState;
    // Top and left are not used: the window opens centred on the screen.
    const std::optional<int> height = integerLine(lines, 3);
    const std::optional<int> width = integerLine(lines, 4);
    if (height && width && *height > 0 && *width > 0) layout.size = QSize(*width, *height);
  } else if (word == kMaximized) {
    layout.state = Qt::WindowMaximized;
  } else if (word == kMinimized) {
    layout.state = Qt::WindowMinimized;
  }
  layout.splitPercent = percentLine(lines, 5);
  layout.chartSplitPercent = percentLine(lines, 6);
  layout.programSplitPercent = percentLine(lines, 7);
  return layout;
}

QSize fittedWindowSize(const QSize& stored, const QSize& available) {
  if (available.isEmpty()) return stored;  // no screen to measure by
  return QSize(std::clamp(stored.width(), 1, available.width()),
               std::clamp(stored.height(), 1, available.height()));
}
