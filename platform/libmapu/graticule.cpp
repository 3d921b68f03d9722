#include "platform/libmapu/graticule.h"

#include <array>
#include <cmath>
#include <QPainter>

#include "platform/libmapu/mercator.h"
#include "platform/libmapu/viewport.h"

namespace mapu {
namespace {

constexpr double kMinLineGapPixels = 100;
constexpr int kMaxLinesPerAxis = 200;

QString DegreeText(double value, double spacing) {
  const int decimals = spacing >= 1 ? 0 : std::min(6, static_cast<int>(std::ceil(-std::log10(spacing))));
  return QString::number(value, 'f', decimals) + u'°';
}

}  // namespace

double GraticuleSpacing(int zoom) {
  static constexpr std::array kSteps{30.0, 20.0, 10.0, 5.0, 2.0, 1.0, 0.5, 0.2, 0.1, 0.05, 0.02, 0.01,
                                     0.005, 0.002, 0.001, 0.0005, 0.0002, 0.0001};
  const double degreesPerPixel = 360.0 / WorldPixels(zoom);
  double chosen = kSteps.front();
  for (double step : kSteps) {
    if (step / degreesPerPixel < kMinLineGapPixels) break;
    chosen = step;
  }
  return chosen;
}

void PaintGraticule(QPainter& painter, const Viewport& viewport) {
  const int zoom = viewport.zoom();
  const QSize size = viewport.size();
  painter.fillRect(QRect(QPoint(0, 0), size), kMapBackground);
  const double spacing = GraticuleSpacing(zoom);
  const LonLat topLeft = FromWorld(viewport.toWorld(QPointF(0, 0)));
  const LonLat bottomRight = FromWorld(viewport.toWorld(QPointF(size.width(), size.height())));

  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  QFont font = painter.font();
  font.setPixelSize(10);
  painter.setFont(font);
  const QPen linePen(kGraticuleLine, 1);

  const double firstLon = std::ceil(topLeft.lon / spacing) * spacing;
  for (int i = 0; i < kMaxLinesPerAxis; ++i) {
    const double lon = firstLon + i * spacing;
    if (lon > bottomRight.lon) break;
    const double x = std::round(viewport.toView(ToWorld({lon, 0})).x());
    painter.setPen(linePen);
    painter.drawLine(QPointF(x, 0), QPointF(x, size.height()));
    painter.setPen(kGraticuleText);
    painter.drawText(QPointF(x + 3, 12), DegreeText(lon, spacing));
  }
  const double firstLat = std::ceil(bottomRight.lat / spacing) * spacing;
  for (int i = 0; i < kMaxLinesPerAxis; ++i) {
    const double lat = firstLat + i * spacing;
    if (lat > topLeft.lat || lat > kMaxMercatorLatitude) break;
    const double y = std::round(viewport.toView(ToWorld({0, lat})).y());
    painter.setPen(linePen);
    painter.drawLine(QPointF(0, y), QPointF(size.width(), y));
    painter.setPen(kGraticuleText);
    painter.drawText(QPointF(3, y - 3), DegreeText(lat, spacing));
  }
  painter.restore();
}

}  // namespace mapu
