#include "corvane/controls/bar_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

namespace {

const char* ThemeName(BarIcon icon) {
  switch (icon) {
    case BarIcon::kPlay: return "media-playback-start";
    case BarIcon::kPause: return "media-playback-pause";
    case BarIcon::kStop: return "media-playback-stop";
    case BarIcon::kRewind: return "media-seek-backward";
    case BarIcon::kFast: return "media-seek-forward";
    case BarIcon::kPrevious: return "media-skip-backward";
    case BarIcon::kNext: return "media-skip-forward";
    case BarIcon::kStepBack: return "go-previous";
    case BarIcon::kStepForward: return "go-next";
    case BarIcon::kFullScreen: return "view-fullscreen";
    case BarIcon::kCapture: return "camera-photo";
    case BarIcon::kConvertAvi: return "video-x-generic";
    case BarIcon::kSoundOn: return "audio-volume-high";
    case BarIcon::kSoundOff: return "audio-volume-muted";
    default: return nullptr;  // no freedesktop name says what these do
  }
}

// A triangle pointing right (or left) in the box x..x+w of a unit square.
QPolygonF Triangle(double x, double w, bool left) {
  if (left) return QPolygonF({{x + w, 0.2}, {x + w, 0.8}, {x, 0.5}});
  return QPolygonF({{x, 0.2}, {x, 0.8}, {x + w, 0.5}});
}

void Grid(QPainter& p, int cells) {
  const double step = 0.8 / cells;
  for (int row = 0; row < cells; ++row)
    for (int column = 0; column < cells; ++column)
      p.drawRect(QRectF(0.1 + column * step + 0.03, 0.1 + row * step + 0.03, step - 0.06, step - 0.06));
}

// Draws in a unit square; the caller scales.
void Draw(QPainter& p, BarIcon icon, const QColor& ink) {
  p.setPen(Qt::NoPen);
  p.setBrush(ink);
  QPen line(ink, 0.08);
  switch (icon) {
    case BarIcon::kPlay: p.drawPolygon(Triangle(0.28, 0.5, false)); break;
    case BarIcon::kPause:
      p.drawRect(QRectF(0.25, 0.2, 0.17, 0.6));
      p.drawRect(QRectF(0.58, 0.2, 0.17, 0.6));
      break;
    case BarIcon::kStop: p.drawRect(QRectF(0.22, 0.22, 0.56, 0.56)); break;
    case BarIcon::kRewind:
      p.drawPolygon(Triangle(0.1, 0.4, true));
      p.drawPolygon(Triangle(0.5, 0.4, true));
      break;
    case BarIcon::kFast:
      p.drawPolygon(Triangle(0.1, 0.4, false));
      p.drawPolygon(Triangle(0.5, 0.4, false));
      break;
    case BarIcon::kSlow:
      p.drawPolygon(Triangle(0.15, 0.4, false));
      p.drawRect(QRectF(0.62, 0.2, 0.1, 0.6));
      p.drawRect(QRectF(0.78, 0.2, 0.1, 0.6));
      break;
    case BarIcon::kPrevious:
      p.drawRect(QRectF(0.18, 0.2, 0.1, 0.6));
      p.drawPolygon(Triangle(0.3, 0.5, true));
      break;
    case BarIcon::kNext:
      p.drawPolygon(Triangle(0.22, 0.5, false));
      p.drawRect(QRectF(0.72, 0.2, 0.1, 0.6));
      break;
    case BarIcon::kStepBack:
      p.drawPolygon(Triangle(0.2, 0.35, true));
      p.drawRect(QRectF(0.62, 0.2, 0.12, 0.6));
      break;
    case BarIcon::kStepForward:
      p.drawRect(QRectF(0.26, 0.2, 0.12, 0.6));
      p.drawPolygon(Triangle(0.45, 0.35, false));
      break;
    case BarIcon::kFullScreen:
      p.setPen(line);
      p.setBrush(Qt::NoBrush);
      p.drawPolyline(QPolygonF({{0.15, 0.4}, {0.15, 0.15}, {0.4, 0.15}}));
      p.drawPolyline(QPolygonF({{0.6, 0.15}, {0.85, 0.15}, {0.85, 0.4}}));
      p.drawPolyline(QPolygonF({{0.85, 0.6}, {0.85, 0.85}, {0.6, 0.85}}));
      p.drawPolyline(QPolygonF({{0.4, 0.85}, {0.15, 0.85}, {0.15, 0.6}}));
      break;
    case BarIcon::kTelemetry: {
      p.setPen(line);
      p.setBrush(Qt::NoBrush);
      p.drawRect(QRectF(0.1, 0.15, 0.8, 0.7));
      QPainterPath wave;
      wave.moveTo(0.15, 0.6);
      wave.cubicTo(0.35, 0.2, 0.5, 0.9, 0.85, 0.35);
      p.drawPath(wave);
      break;
    }
    case BarIcon::kSplit1: Grid(p, 1); break;
    case BarIcon::kSplit4: Grid(p, 2); break;
    case BarIcon::kSplit9: Grid(p, 3); break;
    case BarIcon::kCapture:
      p.drawRoundedRect(QRectF(0.1, 0.3, 0.8, 0.55), 0.08, 0.08);
      p.drawRect(QRectF(0.35, 0.2, 0.3, 0.12));
      p.setBrush(Qt::NoBrush);
      p.setPen(QPen(ink.lightness() > 128 ? Qt::black : Qt::white, 0.08));
      p.drawEllipse(QPointF(0.5, 0.57), 0.16, 0.16);
      break;
    case BarIcon::kConvertAvi:
      p.setPen(line);
      p.setBrush(Qt::NoBrush);
      p.drawRect(QRectF(0.15, 0.1, 0.7, 0.8));
      for (double y : {0.22, 0.42, 0.62, 0.82}) {
        p.drawLine(QPointF(0.15, y - 0.05), QPointF(0.27, y - 0.05));
        p.drawLine(QPointF(0.73, y - 0.05), QPointF(0.85, y - 0.05));
      }
      break;
    case BarIcon::kSoundOn:
    case BarIcon::kSoundOff:
      p.drawPolygon(QPolygonF({{0.1, 0.35}, {0.3, 0.35}, {0.55, 0.12}, {0.55, 0.88}, {0.3, 0.65}, {0.1, 0.65}}));
      p.setPen(line);
      p.setBrush(Qt::NoBrush);
      if (icon == BarIcon::kSoundOn) {
        p.drawArc(QRectF(0.45, 0.3, 0.3, 0.4), -50 * 16, 100 * 16);
        p.drawArc(QRectF(0.4, 0.15, 0.5, 0.7), -50 * 16, 100 * 16);
      } else {
        p.drawLine(QPointF(0.65, 0.35), QPointF(0.9, 0.65));
        p.drawLine(QPointF(0.9, 0.35), QPointF(0.65, 0.65));
      }
      break;
    case BarIcon::kWatermarkOn:
    case BarIcon::kWatermarkOff: {
      QPainterPath drop;
      drop.moveTo(0.5, 0.1);
      drop.cubicTo(0.3, 0.4, 0.2, 0.55, 0.2, 0.65);
      drop.cubicTo(0.2, 0.85, 0.4, 0.92, 0.5, 0.92);
      drop.cubicTo(0.6, 0.92, 0.8, 0.85, 0.8, 0.65);
      drop.cubicTo(0.8, 0.55, 0.7, 0.4, 0.5, 0.1);
      if (icon == BarIcon::kWatermarkOn) {
        p.drawPath(drop);
      } else {
        p.setPen(line);
        p.setBrush(Qt::NoBrush);
        p.drawPath(drop);
        p.drawLine(QPointF(0.15, 0.15), QPointF(0.85, 0.9));
      }
      break;
    }
  }
}

}  // namespace

QPixmap OwnBarPicture(BarIcon icon, int side, const QColor& ink) {
  QPixmap picture(side, side);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(side, side);
  Draw(painter, icon, ink);
  return picture;
}

QIcon BarIconFor(BarIcon icon, const QColor& ink) {
  if (const char* name = ThemeName(icon); name != nullptr && QIcon::hasThemeIcon(name))
    return QIcon::fromTheme(name);
  QIcon own;
  for (int side : {12, 16, 19, 22, 25, 32}) own.addPixmap(OwnBarPicture(icon, side, ink));
  return own;
}
