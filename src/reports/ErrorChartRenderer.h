#pragma once

#include <QByteArray>
#include <QColor>
#include <QSize>
#include <QString>

#include "reports/ErrorChart.h"

QT_BEGIN_NAMESPACE
class QChart;
QT_END_NAMESPACE

// Draws an ErrorChart with Qt Charts: on screen (the main window's chart
// pane) and off-screen for the protocols and for saving a chart to a file.
// Off-screen drawing needs the application object but no window, so it works
// with QT_QPA_PLATFORM=offscreen.

// Replaces the chart's series and axes by the content: a coloured line per
// branch (legend once per curve), markers at the points (filled for points
// marked "R", hollow otherwise), points beyond their limit in red, the limits
// as dashed steps ±limit. An empty content shows its text as the title.
void drawErrorChart(QChart& chart, const ErrorChart& content);

// The chart as a PNG picture of `size` logical pixels drawn at `scale`
// (2: twice the pixels, sharp in print).
QByteArray errorChartPng(const ErrorChart& content, const QSize& size, qreal scale = 2);

// Writes what a chart shows (its scene) to a file: SVG when the name ends in
// ".svg", PNG otherwise. Returns false with `error` set when it cannot be
// written; a failed write leaves no half-written file.
bool saveChartPicture(QChart& chart, const QString& fileName, QString* error);

// The caption colours of the curves; red is kept for points beyond their limit.
QColor curveColour(int index);
