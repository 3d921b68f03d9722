#pragma once

// Where the map's raster tiles come from. The view asks a source for each
// tile of what it shows, then tells it which ones it did not get; a source
// that fetches in the background emits tileArrived() when one comes.
// Window thread only: sources are owned by the view and used from its
// paint and event handlers.

#include <cstdint>
#include <optional>
#include <QCache>
#include <QImage>
#include <QList>
#include <QObject>

namespace mapu {

struct TileKey {
  int zoom = 0;
  int32_t x = 0;  // column, 0 at 180° W
  int32_t y = 0;  // row, 0 at the north edge (XYZ order, not TMS)

  bool valid() const;
  // A unique key for caches; only for valid keys.
  quint64 packed() const;
  bool operator==(const TileKey&) const = default;
};

class TileSource : public QObject {
  Q_OBJECT

 public:
  // Decoded tiles kept in memory per source.
  static constexpr int kMemoryTiles = 256;

  using QObject::QObject;

  // The tile when it can be had now (memory, or a cheap read of a local
  // file); a null image when not (yet).
  virtual QImage tile(const TileKey& key) = 0;
  // The tiles of the current view that tile() did not give, most wanted
  // first; replaces the previous list. Local sources ignore it.
  virtual void want(const QList<TileKey>& missing) { (void)missing; }
  // The view's paint is done, `missing` as for want(). Starts the next
  // paint's reads, and asks for that paint when reads were put off.
  void PaintFinished(const QList<TileKey>& missing);

 signals:
  void tileArrived();

 protected:
  // What the memory cache knows of `key`: a tile, a null image for "known
  // to be missing", or nothing.
  std::optional<QImage> recalled(const TileKey& key) const;
  void remember(const TileKey& key, const QImage& image);
  // A local source reads at most kReadsPerPaint tiles a paint and returns
  // the others as not there yet: a jump to a new place fills the view over
  // a few paints instead of holding the window thread for a whole screen
  // of decoding. False when this paint's reads are spent.
  bool TakeRead();

 private:
  static constexpr int kReadsPerPaint = 4;
  int readsThisPaint_ = 0;
  bool readsPutOff_ = false;
  QCache<quint64, QImage> memory_{kMemoryTiles};
};

}  // namespace mapu
