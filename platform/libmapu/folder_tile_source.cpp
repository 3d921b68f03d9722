#include "platform/libmapu/folder_tile_source.h"

#include <QFile>
#include <QFileInfo>

#include "platform/libmapu/tile_image.h"

namespace mapu {

FolderTileSource::FolderTileSource(const QString& folder, QObject* parent) : TileSource(parent), folder_(folder) {}

QImage FolderTileSource::tile(const TileKey& key) {
  if (!key.valid()) return {};
  if (std::optional<QImage> known = recalled(key)) return *known;
  if (!TakeRead()) return {};
  const QString path = QStringLiteral("%1/%2/%3/%4.png").arg(folder_).arg(key.zoom).arg(key.x).arg(key.y);
  QImage image;
  QFile file(path);
  const QFileInfo info(file);
  if (info.isFile() && info.size() <= kMaxTileBytes && file.open(QIODevice::ReadOnly)) {
    image = DecodeTileImage(file.read(kMaxTileBytes + 1));
  }
  remember(key, image);
  return image;
}

}  // namespace mapu
