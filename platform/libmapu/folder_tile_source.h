#pragma once

// Tiles from a folder laid out as <folder>/<z>/<x>/<y>.png. Files are
// opened read-only and only when within kMaxTileBytes. Reads are
// synchronous (one small local file), a few a paint, and remembered, found
// or not. Window thread only.

#include <QString>

#include "platform/libmapu/tile_source.h"

namespace mapu {

class FolderTileSource final : public TileSource {
  Q_OBJECT

 public:
  FolderTileSource(const QString& folder, QObject* parent);

  QImage tile(const TileKey& key) override;

 private:
  QString folder_;
};

}  // namespace mapu
