#include "corvane/controls/pro_slider_ctrl.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cstdint>

CProSliderCtrl::CProSliderCtrl(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
  setFocusPolicy(Qt::NoFocus);
  scrub_.setInterval(kScrubMs);
  connect(&scrub_, &QTimer::timeout, this, [this] {
    if (dragging_) emit scrubRequested();
  });
}

int CProSliderCtrl::PositionAt(int x) const {
  // Milliseconds per pixel over the track, which leaves ten pixels at
  // either end for the thumb; the thumb's centre starts eight pixels in.
  const int64_t span = static_cast<int64_t>(maximum()) - minimum();
  const int64_t perPixel = span / std::max(width() - 20, 1);
  const int64_t position = minimum() + perPixel * (x - 8);
  return static_cast<int>(std::clamp<int64_t>(position, minimum(), maximum()));
}

void CProSliderCtrl::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QSlider::mousePressEvent(event);
    return;
  }
  dragging_ = true;
  scrub_.start();
  setValue(PositionAt(event->position().toPoint().x()));
  event->accept();
}

void CProSliderCtrl::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) return;
  setValue(PositionAt(event->position().toPoint().x()));
  event->accept();
}

void CProSliderCtrl::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !dragging_) return;
  dragging_ = false;
  scrub_.stop();
  emit seekRequested();
  event->accept();
}

void CProSliderCtrl::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QPalette& colors = palette();
  const int track = height() / 2;
  const QRect groove(4, track - 2, std::max(width() - 8, 0), 4);
  painter.fillRect(groove, colors.color(QPalette::Mid));
  const int64_t span = std::max<int64_t>(static_cast<int64_t>(maximum()) - minimum(), 1);
  const int travel = std::max(width() - kThumbWidth, 0);
  const int thumbX = static_cast<int>(travel * (static_cast<int64_t>(value()) - minimum()) / span);
  painter.fillRect(QRect(groove.left(), groove.top(), thumbX + kThumbWidth / 2 - groove.left(), groove.height()),
                   colors.color(QPalette::Highlight));
  const QRect thumb(thumbX, 2, kThumbWidth, std::max(height() - 4, 0));
  painter.setPen(colors.color(QPalette::Dark));
  painter.setBrush(isEnabled() ? colors.color(QPalette::Button) : colors.color(QPalette::Mid));
  painter.drawRoundedRect(thumb.adjusted(0, 0, -1, -1), 3, 3);
}
