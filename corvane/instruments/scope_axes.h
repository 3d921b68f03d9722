#pragma once

#include <QPoint>
#include <QSize>
#include <QString>

#include <vector>

// The strip chart's geometry and axis arithmetic, kept apart from drawing so
// that every number the chart shows can be checked on its own.

// A rectangle by its edges, right and bottom exclusive: the chart's area and
// plot rectangle are computed edge by edge.
struct ScopeEdges {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool operator==(const ScopeEdges&) const = default;
};

// Plot rectangle of `area`: 50 pixels left for the y labels, 5 above, 10 to
// the right and 20 below for the x labels; then the left and top edges move
// in until width and height are multiples of 10, so every grid line falls
// on a whole pixel.
ScopeEdges ScopePlotEdges(const ScopeEdges& area);

// Minor subdivisions of one y division for the range yMin..yMax: 2 for
// spans of 500 and more, 1 up to 20, else from the whole tenth of the span
// (a tenth divisible by 7 gives 2). When nothing divides it `previous` is
// kept; 0 means none (no minor y lines).
int ScopeYSubdivisions(double yMin, double yMax, int previous);

// Minor subdivisions of one x division for the label range: 1 up to a
// tenth of 2, else the largest of 2..7 dividing the whole tenth, else 2.
int ScopeXSubdivisions(double labelMax, double labelMin);

// One axis label: its text and its step, the number of tenths of the plot
// from the top (y) or from the left (x).
struct ScopeLabel {
  QString text;
  int step = 0;
  bool operator==(const ScopeLabel&) const = default;
};

// y labels, top down: the maximum at step 0, then steps 2, 4, 6, 8 and 10.
// Axis set 0 prints whole numbers ("-0" reads " 0"), axis set 1 two
// decimals.
std::vector<ScopeLabel> ScopeYLabels(double yMin, double yMax, int axisSet);

// x labels: the label maximum at step 10 (the plot's right edge), then
// steps 9 down to 0.
std::vector<ScopeLabel> ScopeXLabels(double labelMax, double labelMin);

// The value ranges a trace point is scaled with.
struct ScopeRanges {
  double xMin = 0;
  double xMax = 200;
  double yMin = 0;
  double yMax = 10;
};

// Pixel of the sample (x, y) in `plot`: x grows right from the plot's left
// edge, y up from its bottom edge, both truncated to whole pixels. A zero
// span (the first acceleration sample) puts the point on the plot's middle
// line. Values far off the range (the newest acceleration values lie outside
// it) are clamped to a bounded distance around an image of `imageSize`,
// where drawing clips them.
QPoint ScopePoint(double x, double y, const ScopeRanges& ranges, const ScopeEdges& plot,
                  QSize imageSize);
