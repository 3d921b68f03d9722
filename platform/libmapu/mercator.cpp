#include "platform/libmapu/mercator.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace mapu {

QPointF ToWorld(LonLat p) {
  constexpr double kPi = std::numbers::pi;
  const double lat = std::clamp(p.lat, -kMaxMercatorLatitude, kMaxMercatorLatitude);
  const double x = (p.lon + 180.0) / 360.0;
  const double s = std::sin(lat * kPi / 180.0);
  const double y = 0.5 - std::log((1 + s) / (1 - s)) / (4 * kPi);
  return {x, std::clamp(y, 0.0, 1.0)};
}

LonLat FromWorld(QPointF world) {
  constexpr double kPi = std::numbers::pi;
  const double lon = world.x() * 360.0 - 180.0;
  const double lat = std::atan(std::sinh(kPi * (1 - 2 * world.y()))) * 180.0 / kPi;
  return {lon, lat};
}

double WorldPixels(int zoom) { return std::ldexp(double{kTileSize}, zoom); }

int32_t TilesPerSide(int zoom) { return int32_t{1} << std::clamp(zoom, 0, 30); }

}  // namespace mapu
