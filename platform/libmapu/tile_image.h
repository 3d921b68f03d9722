#pragma once

// Decoding of tile images read from the network or from disk, which are
// outside data: the encoded size and the declared picture size are checked
// before anything is decoded. Any thread.

#include <QByteArray>
#include <QImage>

namespace mapu {

// Larger tile files are refused unread.
constexpr qint64 kMaxTileBytes = 1 << 20;
// Larger declared pictures are refused undecoded (high-density tiles are 512).
constexpr int kMaxTilePixels = 1024;

// The picture, or a null image when `bytes` is too large, not a picture or
// of an unreasonable size.
QImage DecodeTileImage(const QByteArray& bytes);

}  // namespace mapu
