#pragma once

#include <QFont>
#include <QImage>
#include <QRect>
#include <QWidget>

#include <array>
#include <deque>

#include "corvane/instruments/scope_axes.h"

// One strip chart of the scope panel: up to three traces of the last 200
// samples, newest at the left edge, drawn off screen and composed in one
// paint so it never flickers. Window thread only.
class Cscope : public QWidget {
  Q_OBJECT

 public:
  // One sample: its age in samples (0 newest) and its value.
  struct tagDISFORCE {
    double x = 0;
    double y = 0;
  };
  static constexpr int kMaxSamples = 200;

  Cscope(int bkColor, int osVersionCode, QWidget* parent);

  // Area in the chart's own coordinates (its edges are x, y, x + width and
  // y + height; it may reach past the widget) and axis set (0 speed, 1
  // acceleration); empties every trace. The area is kept 5 pixels taller
  // (10 on the one system whose dialogs sit 5 pixels lower). The images
  // grow with the area, never shrink.
  void SetScopeArea(const QRect& area, int axisSet);
  // x range 0..200 (labels 200..0) and y range 0..10, then redraws. The
  // traces stay.
  void ResetScope();
  // A speed sample: every sample ages by one, the y range spans the new
  // value and the samples held before it (at least 10 wide on axis set 0),
  // and the oldest goes when 200 are held.
  void AddSpeedSample(double value);
  // An acceleration sample in g, stored 0.2 higher on each axis. The y
  // range is taken from the samples held before it and the new x only.
  void AddAccelSample(double x, double y, double z);
  // Redraws the background and trace images and schedules a paint.
  void RedrawScope();

  // Trace 0, 1 or 2, newest sample first. The y range and plot rectangle
  // are those of the current axis set and area.
  const std::deque<tagDISFORCE>& trace(int index) const;
  double yMinimum() const;
  double yMaximum() const;
  QRect plotRect() const;
  // What the next paint shows: background with the traces OR-composed.
  QImage Composed() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  // The chart keeps value ranges for fifteen axis sets; 0 and 1 are used.
  static constexpr int kAxisSets = 15;

  void EnsureImages();
  void DrawBackground();
  void DrawGrid(QPainter& painter, const ScopeEdges& plot);
  void DrawLabels(QPainter& painter, const ScopeEdges& plot);
  void DrawTraces(const ScopeEdges& plot);
  void Compose(const ScopeEdges& plot);
  ScopeRanges& ranges() { return ranges_[static_cast<size_t>(axisSet_)]; }
  const ScopeRanges& ranges() const { return ranges_[static_cast<size_t>(axisSet_)]; }

  // Window thread only, like the whole chart.
  const int bkColor_;
  const int osVersionCode_;
  std::array<std::deque<tagDISFORCE>, 3> traces_;
  int axisSet_ = 0;
  std::array<ScopeRanges, kAxisSets> ranges_{};
  double xLabelMax_ = 200;
  double xLabelMin_ = 0;
  ScopeEdges area_;
  int ySubdivisions_ = 0;  // 0 until a y span gives one: no minor y lines
  QImage background_;      // area background, frame, grid and labels
  QImage traceImage_;    // the traces over the plot's RGB(5,0,0)
  QImage composed_;        // background with the traces OR-ed into the plot
  QFont font_;
};
