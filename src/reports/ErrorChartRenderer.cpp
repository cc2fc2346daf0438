#include "reports/ErrorChartRenderer.h"

#include <QBuffer>
#include <QChart>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QImage>
#include <QLegendMarker>
#include <QLineSeries>
#include <QLocale>
#include <QLogValueAxis>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QValueAxis>

#include <memory>

namespace {

constexpr qreal kMarkerSize = 8;
constexpr qreal kLineWidth = 1.5;
const QColor kBeyondColour(0xd6, 0x27, 0x28);
const QColor kCommonEnvelopeColour(0x60, 0x60, 0x60);
const QString kBeyondCaption = QStringLiteral("Вне допуска");

QList<QPointF> pointsOf(const std::vector<ErrorChartPoint>& points, bool (*take)(const ErrorChartPoint&)) {
  QList<QPointF> taken;
  for (const ErrorChartPoint& point : points)
    if (take(point)) taken.append(QPointF(point.current, point.error));
  return taken;
}

// A circle marker drawn at twice the resolution, sharp in the protocols' pictures.
QImage markerImage(const QColor& edge, bool filled) {
  constexpr qreal kScale = 2;
  QImage image(QSize(kMarkerSize, kMarkerSize) * kScale, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(kScale);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(edge, kLineWidth));
  painter.setBrush(filled ? QBrush(edge) : QBrush(Qt::white));
  const qreal inset = kLineWidth / 2;
  painter.drawEllipse(QRectF(inset, inset, kMarkerSize - 2 * inset, kMarkerSize - 2 * inset));
  return image;
}

// Series go below the ones added later; the legend shows only named ones.
class SeriesAdder {
 public:
  SeriesAdder(QChart& chart, QAbstractAxis* x, QAbstractAxis* y) : chart_(chart), x_(x), y_(y) {}

  void line(const QList<QPointF>& points, const QPen& pen, const QString& caption = {}) {
    auto* series = new QLineSeries;
    series->setPen(pen);
    series->replace(points);
    add(series, caption);
  }

  void markers(const QList<QPointF>& points, const QColor& edge, bool filled, const QString& caption = {}) {
    if (points.isEmpty()) return;
    auto* series = new QLineSeries;
    series->setMarkerSize(kMarkerSize);
    series->setPen(Qt::NoPen);
    series->setColor(edge);
    // Markers as one picture painted at every point of a line series without
    // a line: a scatter series makes hundreds of points slow to show.
    series->setLightMarker(markerImage(edge, filled));
    series->replace(points);
    add(series, caption);
  }

 private:
  void add(QXYSeries* series, const QString& caption) {
    series->setName(caption);
    chart_.addSeries(series);
    series->attachAxis(x_);
    series->attachAxis(y_);
    for (QLegendMarker* marker : chart_.legend()->markers(series)) marker->setVisible(!caption.isEmpty());
  }

  QChart& chart_;
  QAbstractAxis* x_;
  QAbstractAxis* y_;
};

void addEnvelope(SeriesAdder& adder, const std::vector<LimitStep>& envelope, const QColor& colour) {
  QPen pen(colour, 1, Qt::DashLine);
  for (const int sign : {1, -1})
    for (const QList<QPointF>& line : envelopeLines(envelope, sign)) adder.line(line, pen);
}

void addCurve(SeriesAdder& adder, const ErrorCurve& curve, const QColor& colour) {
  addEnvelope(adder, curve.envelope, colour);
  QString caption = curve.caption;
  for (const auto& branch : curve.branches) {
    adder.line(pointsOf(branch, [](const ErrorChartPoint&) { return true; }), QPen(colour, kLineWidth),
               caption);
    caption.clear();  // one legend entry for the whole curve
  }
  for (const auto& branch : curve.branches) {
    adder.markers(pointsOf(branch, [](const ErrorChartPoint& p) { return p.marked && !p.beyond; }), colour,
                  true);
    adder.markers(pointsOf(branch, [](const ErrorChartPoint& p) { return !p.marked && !p.beyond; }), colour,
                  false);
  }
}

void addBeyondPoints(SeriesAdder& adder, const ErrorChart& content) {
  QList<QPointF> marked;
  QList<QPointF> unmarked;
  for (const ErrorCurve& curve : content.curves)
    for (const auto& branch : curve.branches) {
      marked << pointsOf(branch, [](const ErrorChartPoint& p) { return p.marked && p.beyond; });
      unmarked << pointsOf(branch, [](const ErrorChartPoint& p) { return !p.marked && p.beyond; });
    }
  adder.markers(marked, kBeyondColour, true, kBeyondCaption);
  adder.markers(unmarked, kBeyondColour, false, marked.isEmpty() ? kBeyondCaption : QString());
}

void clearChart(QChart& chart) {
  chart.removeAllSeries();
  for (QAbstractAxis* axis : chart.axes()) {
    chart.removeAxis(axis);
    delete axis;
  }
}

std::pair<QLogValueAxis*, QValueAxis*> addAxes(QChart& chart, const ErrorChart& content) {
  auto* x = new QLogValueAxis;
  x->setBase(10);
  // With localised numbers Qt Charts reads only formats that give a precision.
  x->setLabelFormat(QStringLiteral("%.3g"));
  x->setMinorTickCount(8);
  x->setTitleText(kCurrentAxisTitle);
  x->setRange(content.current.from, content.current.to);
  auto* y = new QValueAxis;
  y->setTitleText(kErrorAxisTitle);
  y->setRange(content.error.from, content.error.to);
  y->applyNiceNumbers();
  chart.addAxis(x, Qt::AlignBottom);
  chart.addAxis(y, Qt::AlignLeft);
  return {x, y};
}

void renderScene(QChart& chart, QPaintDevice& device, const QRectF& target) {
  QPainter painter(&device);
  painter.setRenderHint(QPainter::Antialiasing);
  chart.scene()->render(&painter, target, chart.sceneBoundingRect());
}

}  // namespace

QColor curveColour(int index) {
  static const QColor colours[] = {
      QColor(0x1f, 0x77, 0xb4), QColor(0x2c, 0xa0, 0x2c), QColor(0xff, 0x7f, 0x0e), QColor(0x94, 0x67, 0xbd),
      QColor(0x8c, 0x56, 0x4b), QColor(0x17, 0xbe, 0xcf), QColor(0xbc, 0xbd, 0x22), QColor(0x7f, 0x7f, 0x7f)};
  return colours[index % std::size(colours)];
}

void drawErrorChart(QChart& chart, const ErrorChart& content) {
  clearChart(chart);
  chart.setLocalizeNumbers(true);
  chart.setLocale(QLocale(QLocale::Russian, QLocale::Russia));
  chart.legend()->setAlignment(Qt::AlignBottom);
  chart.legend()->setVisible(!content.isEmpty());
  chart.setTitle(content.isEmpty() ? content.emptyText : QString());
  if (content.isEmpty()) return;
  const auto [x, y] = addAxes(chart, content);
  SeriesAdder adder(chart, x, y);
  addEnvelope(adder, content.commonEnvelope, kCommonEnvelopeColour);
  for (size_t i = 0; i < content.curves.size(); ++i)
    addCurve(adder, content.curves[i], curveColour(static_cast<int>(i)));
  addBeyondPoints(adder, content);
}

QByteArray errorChartPng(const ErrorChart& content, const QSize& size, qreal scale) {
  QGraphicsScene scene;
  auto* chart = new QChart;  // the scene owns it
  scene.addItem(chart);
  chart->setBackgroundRoundness(0);
  chart->setDropShadowEnabled(false);
  chart->setGeometry(QRectF(QPointF(0, 0), size));
  drawErrorChart(*chart, content);
  chart->layout()->activate();

  QImage image(size * scale, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(scale);
  image.fill(Qt::white);
  renderScene(*chart, image, QRectF(QPointF(0, 0), size));
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return png;
}

bool saveChartPicture(QChart& chart, const QString& fileName, QString* error) {
  QSaveFile file(fileName);
  if (!file.open(QIODevice::WriteOnly)) {
    *error = file.errorString();
    return false;
  }
  const QSizeF size = chart.size();
  if (fileName.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
    QSvgGenerator svg;
    svg.setOutputDevice(&file);
    svg.setSize(size.toSize());
    svg.setViewBox(QRectF(QPointF(0, 0), size));
    svg.setTitle(kErrorAxisTitle);
    renderScene(chart, svg, QRectF(QPointF(0, 0), size));
  } else {
    QImage image(size.toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    renderScene(chart, image, QRectF(QPointF(0, 0), size));
    if (!image.save(&file, "PNG")) {
      *error = QStringLiteral("PNG");
      file.cancelWriting();
      return false;
    }
  }
  if (!file.commit()) {
    *error = file.errorString();
    return false;
  }
  return true;
}
