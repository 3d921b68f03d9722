#include "platform/libmapu/viewport.h"

#include <algorithm>
#include <cmath>

#include "platform/libmapu/mercator.h"

namespace mapu {

QPointF Viewport::toView(QPointF world) const {
  const double scale = WorldPixels(zoom_);
  return (world - centre_) * scale + QPointF(size_.width() / 2.0, size_.height() / 2.0);
}

QPointF Viewport::toWorld(QPointF viewPixel) const {
  const double scale = WorldPixels(zoom_);
  return centre_ + (viewPixel - QPointF(size_.width() / 2.0, size_.height() / 2.0)) / scale;
}

QList<PlacedTile> Viewport::tiles() const {
  QList<PlacedTile> placed;
  if (size_.isEmpty()) return placed;
  const double scale = WorldPixels(zoom_);
  const QPointF topLeft = centre_ * scale - QPointF(size_.width() / 2.0, size_.height() / 2.0);
  const auto first = [](double pixel) { return static_cast<int64_t>(std::floor(pixel / kTileSize)); };
  const int64_t n = TilesPerSide(zoom_);
  const int64_t x0 = first(topLeft.x());
  const int64_t x1 = first(topLeft.x() + size_.width() - 1);
  const int64_t y0 = std::max<int64_t>(0, first(topLeft.y()));
  const int64_t y1 = std::min<int64_t>(n - 1, first(topLeft.y() + size_.height() - 1));
  for (int64_t ty = y0; ty <= y1; ++ty) {
    for (int64_t tx = x0; tx <= x1 && placed.size() < kMaxTiles; ++tx) {
      const int64_t wrapped = ((tx % n) + n) % n;
      const TileKey key{zoom_, static_cast<int32_t>(wrapped), static_cast<int32_t>(ty)};
      placed.append({key, QPointF(tx * double{kTileSize}, ty * double{kTileSize}) - topLeft});
    }
  }
  const QPointF middle(size_.width() / 2.0 - kTileSize / 2.0, size_.height() / 2.0 - kTileSize / 2.0);
  std::stable_sort(placed.begin(), placed.end(), [&middle](const PlacedTile& a, const PlacedTile& b) {
    const QPointF da = a.topLeft - middle;
    const QPointF db = b.topLeft - middle;
    return QPointF::dotProduct(da, da) < QPointF::dotProduct(db, db);
  });
  return placed;
}

}  // namespace mapu
