#include "platform/libmapu/tile_image.h"

#include <QBuffer>
#include <QImageReader>

namespace mapu {

QImage DecodeTileImage(const QByteArray& bytes) {
  if (bytes.isEmpty() || bytes.size() > kMaxTileBytes) return {};
  QBuffer buffer;
  buffer.setData(bytes);
  if (!buffer.open(QIODevice::ReadOnly)) return {};
  QImageReader reader(&buffer);
  reader.setDecideFormatFromContent(true);
  const QSize size = reader.size();
  if (!size.isValid() || size.width() > kMaxTilePixels || size.height() > kMaxTilePixels) return {};
  QImage image;
  if (!reader.read(&image)) return {};
  return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

}  // namespace mapu
