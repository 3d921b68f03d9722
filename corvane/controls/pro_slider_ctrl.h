#pragma once

#include <QSlider>
#include <QTimer>

// The progress slider: owner-drawn with a fixed 23-pixel thumb. A press
// puts the thumb under the pointer at once; while the button is held it
// asks for the picture under the thumb every 50 ms (scrubRequested), and
// on release for playback from there (seekRequested).
class CProSliderCtrl : public QSlider {
  Q_OBJECT

 public:
  static constexpr int kThumbWidth = 23;
  static constexpr int kScrubMs = 50;

  explicit CProSliderCtrl(QWidget* parent);

  // True while the thumb is held: the progress timer leaves it alone.
  bool dragging() const { return dragging_; }
  // The position a press at `x` pixels jumps to.
  int PositionAt(int x) const;

 signals:
  void scrubRequested();
  void seekRequested();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  bool dragging_ = false;
  QTimer scrub_;
};
