// Saving a picture as a 24-bit BMP file.
#pragma once

#include <string>

#include "brisca/present/color_tables.h"

namespace brisca {

class CPictureSink;

// Largest snapshot side in pixels; keeps the file size within 32 bits.
inline constexpr int kSnapshotMaxSide = 16384;

// Converts `picture` to 24-bit BGR, draws `display`'s on-screen text and
// watermark into it (none when display is null) and writes a BMP: 54-byte
// header, positive height, rows of W x 3 bytes without padding, bottom row
// first. The file is written under a temporary name in the same folder and
// renamed into place once whole, so a failure (a full disk, a file size
// limit) leaves no partial file and an earlier file at `path` as it was.
// Returns whether the file was written. Runs on the caller's thread.
bool WriteSnapshotBmp(const std::string& path, const I420View& picture, CPictureSink* display);

}  // namespace brisca
