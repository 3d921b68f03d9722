#include "platform/libmapu/tile_source.h"

#include <QTimer>

#include "platform/libmapu/mercator.h"

namespace mapu {

bool TileKey::valid() const {
  if (zoom < 0 || zoom > kMaxZoom) return false;
  const int32_t n = TilesPerSide(zoom);
  return x >= 0 && x < n && y >= 0 && y < n;
}

quint64 TileKey::packed() const {
  return (quint64(quint32(zoom)) << 48) | (quint64(quint32(x)) << 24) | quint64(quint32(y));
}

std::optional<QImage> TileSource::recalled(const TileKey& key) const {
  if (const QImage* image = memory_.object(key.packed())) return *image;
  return std::nullopt;
}

void TileSource::remember(const TileKey& key, const QImage& image) {
  memory_.insert(key.packed(), new QImage(image));
}

bool TileSource::TakeRead() {
  if (readsThisPaint_ >= kReadsPerPaint) {
    readsPutOff_ = true;
    return false;
  }
  ++readsThisPaint_;
  return true;
}

void TileSource::PaintFinished(const QList<TileKey>& missing) {
  readsThisPaint_ = 0;
  if (readsPutOff_) {
    readsPutOff_ = false;
    // After the events already waiting, so that video keeps its turn.
    QTimer::singleShot(0, this, &TileSource::tileArrived);
  }
  want(missing);
}

}  // namespace mapu
