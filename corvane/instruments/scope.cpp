#include "corvane/instruments/scope.h"

#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kDivisions = 10;
constexpr double kAccelOffset = 0.2;  // every stored acceleration value is raised by this
constexpr double kSpeedMinSpan = 10;  // the speed chart's y range is never narrower
constexpr double kSpeedWiden = 5;
// Dialogs sit 5 pixels lower on the one system with code 5; the area
// reaches up to make up for it.
constexpr int kLowDialogsSystem = 5;

const QColor kTraceColours[3] = {QColor(0, 255, 0), QColor(255, 0, 0), QColor(255, 255, 0)};
const QColor kPlotBackground(0, 0, 0);
const QColor kMinorGrid(0, 0, 0);
// The trace image's plot is this colour under the traces; OR-ed into the
// black plot it leaves the background all but unchanged.
const QColor kTraceGround(5, 0, 0);

bool Dark(int bkColor) { return bkColor == 1; }

QColor AreaBackground(int bkColor) { return Dark(bkColor) ? QColor(0, 0, 0) : QColor(120, 135, 165); }
QColor GridColour(int bkColor) { return Dark(bkColor) ? QColor(121, 134, 146) : QColor(0, 130, 0); }
QColor YLabelColour(int bkColor) { return Dark(bkColor) ? QColor(255, 255, 255) : QColor(0, 255, 0); }

QRect ToRect(const ScopeEdges& edges) {
  return QRect(edges.left, edges.top, edges.width(), edges.height());
}

QPen Pen(const QColor& colour) {
  QPen pen(colour);
  pen.setWidth(1);
  pen.setCosmetic(true);
  return pen;
}

// A horizontal or vertical line of whole pixels from `from` up to, not
// including, `to`, as the grid has always been drawn.
void Line(QPainter& painter, QPoint from, QPoint to) {
  if (from.x() == to.x()) {
    if (to.y() > from.y()) painter.drawLine(from, QPoint(to.x(), to.y() - 1));
  } else if (to.x() > from.x()) {
    painter.drawLine(from, QPoint(to.x() - 1, to.y()));
  }
}

// Outline of the pixels inside `edges`.
void Outline(QPainter& painter, const ScopeEdges& edges) {
  if (edges.width() <= 0 || edges.height() <= 0) return;
  painter.drawRect(QRect(edges.left, edges.top, edges.width() - 1, edges.height() - 1));
}

void PushSample(std::deque<Cscope::tagDISFORCE>& trace, double value) {
  if (trace.size() >= static_cast<size_t>(Cscope::kMaxSamples)) trace.pop_back();
  trace.push_front({0, value});
}

// Ages every sample of `trace` by one and widens the running range by it.
void AgeAndWiden(std::deque<Cscope::tagDISFORCE>& trace, double& low, double& high) {
  for (Cscope::tagDISFORCE& sample : trace) {
    sample.x += 1;
    high = std::max(high, sample.y);
    low = std::min(low, sample.y);
  }
}

}  // namespace

Cscope::Cscope(int bkColor, int osVersionCode, QWidget* parent)
    : QWidget(parent), bkColor_(bkColor), osVersionCode_(osVersionCode) {
  font_.setFamilies({"Microsoft Sans Serif", "DejaVu Sans"});
  // A GDI cell height of 14 is an em of about 11 pixels.
  font_.setPixelSize(11);
  font_.setWeight(QFont::ExtraLight);
  // Labels keep their exact colours: the trace image is OR-ed over them.
  font_.setStyleStrategy(QFont::NoAntialias);
}

void Cscope::SetScopeArea(const QRect& area, int axisSet) {
  area_ = {area.x(), area.y(), area.x() + area.width(), area.y() + area.height() + 5};
  if (osVersionCode_ == kLowDialogsSystem) area_.top -= 5;
  EnsureImages();
  for (auto& trace : traces_) trace.clear();
  axisSet_ = std::clamp(axisSet, 0, kAxisSets - 1);
}

void Cscope::EnsureImages() {
  // The images share the chart's coordinates; a larger area than before
  // gets larger images, so the chart can grow with its panel.
  const QSize needed(std::max(area_.right, 1), std::max(area_.bottom, 1));
  if (!background_.isNull() && background_.width() >= needed.width() &&
      background_.height() >= needed.height()) {
    return;
  }
  const QSize size = needed.expandedTo(background_.size());
  background_ = QImage(size, QImage::Format_RGB32);
  traceImage_ = QImage(size, QImage::Format_RGB32);
  background_.fill(AreaBackground(bkColor_));
  traceImage_.fill(Qt::black);
  composed_ = background_;
}

void Cscope::ResetScope() {
  ScopeRanges& range = ranges();
  range.xMin = 0;
  range.xMax = kMaxSamples;
  xLabelMax_ = kMaxSamples;
  xLabelMin_ = 0;
  range.yMin = 0;
  range.yMax = 10;
  RedrawScope();
}

void Cscope::AddSpeedSample(double value) {
  double high = value;
  double low = value;
  AgeAndWiden(traces_[0], low, high);
  if (high - low < kSpeedMinSpan && axisSet_ == 0) {
    high += kSpeedWiden;
    low -= kSpeedWiden;
  }
  ranges().yMin = low;
  ranges().yMax = high;
  PushSample(traces_[0], value);
  RedrawScope();
}

void Cscope::AddAccelSample(double x, double y, double z) {
  // The range starts from the received x alone; the new y and z, and the
  // 0.2 every stored value carries, count from the next sample on.
  double high = x;
  double low = x;
  const double values[3] = {x, y, z};
  for (size_t axis = 0; axis < traces_.size(); ++axis) {
    AgeAndWiden(traces_[axis], low, high);
    PushSample(traces_[axis], values[axis] + kAccelOffset);
  }
  ranges().yMin = low;
  ranges().yMax = high;
  RedrawScope();
}

void Cscope::RedrawScope() {
  if (background_.isNull()) return;
  const ScopeEdges plot = ScopePlotEdges(area_);
  DrawBackground();
  DrawTraces(plot);
  Compose(plot);
  update();
}

void Cscope::DrawBackground() {
  QPainter painter(&background_);
  painter.fillRect(ToRect(area_), AreaBackground(bkColor_));
  const ScopeEdges plot = ScopePlotEdges(area_);
  if (plot.width() > 0 && plot.height() > 0) painter.fillRect(ToRect(plot), kPlotBackground);
  painter.setPen(Pen(GridColour(bkColor_)));
  Outline(painter, area_);
  Outline(painter, plot);
  if (plot.width() > 0 && plot.height() > 0) DrawGrid(painter, plot);
  painter.setFont(font_);
  DrawLabels(painter, plot);
}

void Cscope::DrawGrid(QPainter& painter, const ScopeEdges& plot) {
  const ScopeRanges& range = ranges();
  ySubdivisions_ = ScopeYSubdivisions(range.yMin, range.yMax, ySubdivisions_);
  const int xSubdivisions = ScopeXSubdivisions(xLabelMax_, xLabelMin_);

  painter.setPen(Pen(kMinorGrid));
  const int minorX = plot.width() / kDivisions / xSubdivisions;
  for (int i = 1; i < kDivisions * xSubdivisions; ++i) {
    const int x = plot.left + i * minorX;
    Line(painter, QPoint(x, plot.top), QPoint(x, plot.bottom));
  }
  if (ySubdivisions_ > 0) {
    const int minorY = plot.height() / kDivisions / ySubdivisions_;
    for (int i = 1; i < kDivisions * ySubdivisions_; ++i) {
      const int y = plot.top + i * minorY;
      Line(painter, QPoint(plot.left, y), QPoint(plot.right, y));
    }
  }

  painter.setPen(Pen(GridColour(bkColor_)));
  const int majorX = plot.width() / kDivisions;
  const int majorY = plot.height() / kDivisions;
  for (int i = 1; i < kDivisions; ++i) {
    Line(painter, QPoint(plot.left + i * majorX, plot.top), QPoint(plot.left + i * majorX, plot.bottom));
    Line(painter, QPoint(plot.left, plot.top + i * majorY), QPoint(plot.right, plot.top + i * majorY));
  }
}

void Cscope::DrawLabels(QPainter& painter, const ScopeEdges& plot) {
  const QFontMetrics metrics(font_);
  const int textHeight = metrics.height();
  const auto draw = [&](int left, int top, const QString& text) {
    painter.drawText(QRect(left, top, metrics.horizontalAdvance(text) + 1, textHeight),
                     Qt::AlignLeft | Qt::AlignTop, text);
  };

  painter.setPen(Qt::white);
  const int xLabelTop = plot.bottom + textHeight / 2 - 3;
  for (const ScopeLabel& label : ScopeXLabels(xLabelMax_, xLabelMin_)) {
    const int width = metrics.horizontalAdvance(label.text);
    if (label.step == kDivisions) {
      draw(plot.right - width / 2, xLabelTop, label.text);
    } else {
      const double left = plot.left + label.step * plot.width() / kDivisions - width / 1.4;
      draw(static_cast<int>(left), xLabelTop, label.text);
    }
  }

  // Right-aligned a few pixels short of the plot's left edge.
  constexpr int kGap = 3;
  painter.setPen(YLabelColour(bkColor_));
  const ScopeRanges& range = ranges();
  for (const ScopeLabel& label : ScopeYLabels(range.yMin, range.yMax, axisSet_)) {
    const int width = metrics.horizontalAdvance(label.text);
    const int top = label.step == 0 ? plot.top
                                    : plot.top + label.step * plot.height() / kDivisions - textHeight / 2;
    draw(plot.left - kGap - width, top, label.text);
  }
}

void Cscope::DrawTraces(const ScopeEdges& plot) {
  if (plot.width() <= 0 || plot.height() <= 0) return;
  QPainter painter(&traceImage_);
  painter.fillRect(ToRect(plot), kTraceGround);
  const ScopeRanges& range = ranges();
  const size_t shown = traces_[1].empty() ? 1 : traces_.size();
  for (size_t axis = 0; axis < shown; ++axis) {
    const std::deque<tagDISFORCE>& trace = traces_[axis];
    QPolygon points;
    points.reserve(static_cast<int>(std::min<size_t>(trace.size(), kMaxSamples)));
    for (size_t i = 0; i < trace.size() && i < static_cast<size_t>(kMaxSamples); ++i) {
      points << ScopePoint(trace[i].x, trace[i].y, range, plot, traceImage_.size());
    }
    painter.setPen(Pen(kTraceColours[axis]));
    painter.drawPolyline(points);
  }
}

void Cscope::Compose(const ScopeEdges& plot) {
  composed_ = background_.copy();
  const QRect inside = ToRect(plot).intersected(composed_.rect());
  if (inside.isEmpty()) return;
  for (int y = inside.top(); y <= inside.bottom(); ++y) {
    auto* out = reinterpret_cast<QRgb*>(composed_.scanLine(y));
    const auto* trace = reinterpret_cast<const QRgb*>(traceImage_.constScanLine(y));
    for (int x = inside.left(); x <= inside.right(); ++x) out[x] |= trace[x];
  }
}

const std::deque<Cscope::tagDISFORCE>& Cscope::trace(int index) const {
  return traces_[static_cast<size_t>(std::clamp(index, 0, 2))];
}

double Cscope::yMinimum() const { return ranges().yMin; }
double Cscope::yMaximum() const { return ranges().yMax; }

QRect Cscope::plotRect() const { return ToRect(ScopePlotEdges(area_)); }

QImage Cscope::Composed() const { return composed_; }

void Cscope::paintEvent(QPaintEvent*) {
  if (composed_.isNull()) return;
  QPainter painter(this);
  painter.drawImage(0, 0, composed_);
}

void Cscope::contextMenuEvent(QContextMenuEvent* event) { event->accept(); }
