// The watermark picture: loaded from a PNG file, flattened over black,
// scaled to the picture size and blended with a constant opacity.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brisca {

// Largest watermark picture accepted, in pixels (64 MiB as RGBA).
inline constexpr std::uint64_t kWatermarkMaxPixels = 16u * 1024u * 1024u;

// 24-bit picture, blue-green-red, width * 3 bytes a row, rows top first.
struct BgrBitmap {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;

  bool empty() const { return pixels.empty(); }
};

// Reads a PNG of any colour type and flattens it over black (colour times
// alpha / 255, rounded). Empty bitmap when the file cannot be read, is
// damaged, or exceeds kWatermarkMaxPixels.
BgrBitmap LoadWatermarkPng(const std::string& path);

// Scales `source` to width x height with bilinear filtering (pixel centres
// aligned). Empty when the source is empty or the size is not positive.
BgrBitmap ScaleBitmap(const BgrBitmap& source, int width, int height);

// Opacity for a watermark alpha percentage: alpha x 2.55 in double
// precision, truncated, so 100 gives 254 and 50 gives 127; values outside
// 0..100 are clamped to the ends of 0..254.
int WatermarkOpacity(int alpha);

// Source-over with constant opacity, rounded to nearest:
// (src * opacity + dst * (255 - opacity) + 127) / 255. opacity 0..255.
inline std::uint8_t BlendChannel(int src, int dst, int opacity) {
  return static_cast<std::uint8_t>((src * opacity + dst * (255 - opacity) + 127) / 255);
}

}  // namespace brisca
