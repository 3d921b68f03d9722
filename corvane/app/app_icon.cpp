#include "corvane/app/app_icon.h"

#include <QPainter>
#include <QPainterPath>

QPixmap CorvaneIconPixmap(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal s = size;

  QPainterPath tile;
  tile.addRoundedRect(QRectF(0, 0, s, s), s * 0.18, s * 0.18);
  painter.fillPath(tile, QColor(0x1f, 0x5c, 0x4a));

  // Lens: a light ring around a dark pupil.
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0xe8, 0xec, 0xef));
  painter.drawEllipse(QPointF(s * 0.45, s * 0.52), s * 0.30, s * 0.30);
  painter.setBrush(QColor(0x14, 0x18, 0x1c));
  painter.drawEllipse(QPointF(s * 0.45, s * 0.52), s * 0.20, s * 0.20);
  painter.setBrush(QColor(0x5a, 0x7d, 0x9a));
  painter.drawEllipse(QPointF(s * 0.40, s * 0.46), s * 0.06, s * 0.06);

  // Recording dot.
  painter.setBrush(QColor(0xe0, 0x2b, 0x2b));
  painter.drawEllipse(QPointF(s * 0.80, s * 0.20), s * 0.11, s * 0.11);
  return pixmap;
}

QIcon CorvaneIcon() {
  QIcon icon;
  for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
    icon.addPixmap(CorvaneIconPixmap(size));
  }
  return icon;
}
