#include "corvane/instruments/scope_axes.h"

#include <algorithm>
#include <cmath>

namespace {

// Divisions of the plot in each direction.
constexpr int kDivisions = 10;

// How far outside the image a point may lie: far enough that clamping does
// not bend a line's course inside the plot, near enough for whole pixels.
constexpr int kFarOutside = 1 << 16;

// Whole pixels, clamped into lo..hi; NaN lands on lo.
int ClampToPixel(double value, int lo, int hi) {
  if (!(value >= lo)) return lo;
  if (value >= hi) return hi;
  return static_cast<int>(std::floor(value));
}

}  // namespace

ScopeEdges ScopePlotEdges(const ScopeEdges& area) {
  ScopeEdges plot{area.left + 50, area.top + 5, area.right - 10, area.bottom - 20};
  plot.left += (area.width() - 60) % kDivisions;
  plot.top += (area.height() - 25) % kDivisions;
  return plot;
}

int ScopeYSubdivisions(double yMin, double yMax, int previous) {
  const double tenth = std::fabs(yMax - yMin) / kDivisions;
  if (tenth >= 50) return 2;
  if (tenth <= 2) return 1;
  const auto whole = static_cast<long long>(std::floor(tenth));
  for (int divisor : {7, 6, 5, 4, 3}) {
    if (whole % divisor == 0) return divisor == 7 ? 2 : divisor;
  }
  return previous;
}

int ScopeXSubdivisions(double labelMax, double labelMin) {
  const double tenth = (labelMax - labelMin) / kDivisions;
  if (tenth <= 2) return 1;
  const auto whole = static_cast<long long>(std::floor(tenth));
  for (int divisor : {7, 6, 5, 4, 3, 2}) {
    if (whole % divisor == 0) return divisor;
  }
  return 2;
}

std::vector<ScopeLabel> ScopeYLabels(double yMin, double yMax, int axisSet) {
  const auto text = [axisSet](double value) {
    const QString printed = axisSet == 0 ? QString::asprintf("%.0f", value) : QString::asprintf("%.2f", value);
    return printed == "-0" ? QString(" 0") : printed;
  };
  const double span = std::fabs(yMax - yMin);
  std::vector<ScopeLabel> labels{{text(yMax), 0}};
  for (int step = 2; step <= kDivisions; step += 2) {
    labels.push_back({text(yMax - step * span / kDivisions), step});
  }
  return labels;
}

std::vector<ScopeLabel> ScopeXLabels(double labelMax, double labelMin) {
  std::vector<ScopeLabel> labels{{QString::asprintf("%.0f", labelMax), kDivisions}};
  for (int step = kDivisions - 1; step >= 0; --step) {
    const double value = labelMax - (kDivisions - step) * (labelMax - labelMin) / kDivisions;
    labels.push_back({QString::asprintf("%.0f", value), step});
  }
  return labels;
}

QPoint ScopePoint(double x, double y, const ScopeRanges& ranges, const ScopeEdges& plot,
                  QSize imageSize) {
  double px = plot.left;
  double py = plot.top + plot.height() / 2;
  // Values per pixel, as the grid is scaled.
  const double xScale = (ranges.xMax - ranges.xMin) / plot.width();
  const double yScale = (ranges.yMax - ranges.yMin) / plot.height();
  if (std::isfinite(xScale) && xScale != 0) px = plot.left + std::floor((x - ranges.xMin) / xScale);
  if (std::isfinite(yScale) && yScale != 0) py = plot.bottom - std::floor((y - ranges.yMin) / yScale);
  return QPoint(ClampToPixel(px, -kFarOutside, imageSize.width() + kFarOutside),
                ClampToPixel(py, -kFarOutside, imageSize.height() + kFarOutside));
}
