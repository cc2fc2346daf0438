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

}  // namespace

QStringList formatLayoutLines(Qt::WindowStates states, const QPoint& topLeft, const QSize& size,
                              int splitPercent, int chartSplitPercent) {
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
          QString::number(chartSplitPercent)};
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
  const std::optional<int> split = integerLine(lines, 5);
  if (split && *split > 0 && *split < 100) layout.splitPercent = *split;
  const std::optional<int> chartSplit = integerLine(lines, 6);
  if (chartSplit && *chartSplit > 0 && *chartSplit < 100) layout.chartSplitPercent = *chartSplit;
  return layout;
}

QSize fittedWindowSize(const QSize& stored, const QSize& available) {
  if (available.isEmpty()) return stored;  // no screen to measure by
  return QSize(std::clamp(stored.width(), 1, available.width()),
               std::clamp(stored.height(), 1, available.height()));
}
