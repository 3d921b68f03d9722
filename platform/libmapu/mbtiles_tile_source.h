#pragma once

// Tiles from an MBTiles file (SQLite; table tiles(zoom_level, tile_column,
// tile_row, tile_data), rows in TMS order, counted from the south). The
// file is opened read-only through its own Qt SQL connection and treated as
// outside data: a tile is read only when its stored size is within
// kMaxTileBytes, and what it holds must decode as a picture. Reads are
// synchronous (a local indexed lookup), a few a paint, and remembered, found
// or not. Window thread only.

#include <QSqlDatabase>
#include <QString>

#include "platform/libmapu/tile_source.h"

namespace mapu {

class MbtilesTileSource final : public TileSource {
  Q_OBJECT

 public:
  MbtilesTileSource(const QString& path, QObject* parent);
  ~MbtilesTileSource() override;

  // False when the file could not be opened as an MBTiles file; tile()
  // then gives nothing.
  bool isOpen() const { return open_; }

  QImage tile(const TileKey& key) override;

 private:
  QString connection_;  // unique per source
  QSqlDatabase database_;
  bool open_ = false;
};

}  // namespace mapu
