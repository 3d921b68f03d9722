// 4:2:0 to RGB conversions of the display surface and the snapshot, driven
// by tables built once per process.
#pragma once

#include <cstdint>

namespace brisca {

// One 4:2:0 picture in memory: full-size luma, chroma planes of
// ((width + 1) / 2) x ((height + 1) / 2) samples. Not owned.
struct I420View {
  const std::uint8_t* y = nullptr;
  const std::uint8_t* u = nullptr;
  const std::uint8_t* v = nullptr;
  int y_stride = 0;  // bytes
  int c_stride = 0;  // bytes, shared by U and V
  int width = 0;     // pixels
  int height = 0;    // pixels
};

// BT.601 studio range in fixed point with 13 fractional bits. With
// y = 9535 * (Y - 16), u = U - 128, v = V - 128:
// B = (y + 16531 u) >> 13, G = (y - 6660 v - 3203 u) >> 13,
// R = (y + 13074 v) >> 13, each clamped to 0..255.
struct Bgr24Tables {
  std::int32_t y[256];    // 9535 * (Y - 16)
  std::int32_t b_u[256];  // 16531 * u
  std::int32_t g_v[256];  // -6660 * v
  std::int32_t g_u[256];  // -3203 * u
  std::int32_t r_v[256];  // 13074 * v
};

// 5-6-5: luma as it is plus per-block chroma offsets truncated toward zero;
// the packed component tables are indexed by (Y + offset + 256) so that the
// clamp to 0..255 is part of the look-up.
struct Rgb565Tables {
  std::int16_t red_offset[256];      // trunc(1.4013377926421404 v), by V
  std::int16_t blue_offset[256];     // trunc(1.7734138972809665 u), by U
  std::int16_t green_offset[65536];  // trunc(-0.7136... v - 0.3444... u), by V * 256 + U
  std::uint16_t red[768];            // (clamp(i - 256) >> 3) << 11
  std::uint16_t green[768];          // (clamp(i - 256) >> 2) << 5
  std::uint16_t blue[768];           // clamp(i - 256) >> 3
};

// Built on first use, thread-safe, never freed.
const Bgr24Tables& Bgr24ConversionTables();
const Rgb565Tables& Rgb565ConversionTables();

// Converts one pixel; the reference the picture conversions follow.
void YuvToBgr24(int y, int u, int v, std::uint8_t bgr[3]);
std::uint16_t YuvToRgb565(int y, int u, int v);

// Instruction sets the picture conversions can use, in order. Every path
// gives the same bytes as the per-pixel functions above.
enum class ConversionPath { kScalar, kSsse3, kAvx2 };

// The fastest path this processor runs, detected on first use.
ConversionPath FastestConversionPath();

// Converts the whole picture into rows of width * 3 bytes (blue, green, red)
// at `dst_stride` bytes apart, top row first. Each chroma sample serves a
// 2 x 2 block of luma samples. Reads and writes nothing beyond the picture's
// rows. Without `path`, or for a path the processor lacks, the fastest path.
void I420ToBgr24(const I420View& picture, std::uint8_t* dst, int dst_stride);
void I420ToBgr24(const I420View& picture, std::uint8_t* dst, int dst_stride, ConversionPath path);

// Converts into native-endian 16-bit 5-6-5 pixels, rows `dst_stride` bytes
// apart, top row first; otherwise as I420ToBgr24.
void I420ToRgb565(const I420View& picture, std::uint8_t* dst, int dst_stride);
void I420ToRgb565(const I420View& picture, std::uint8_t* dst, int dst_stride, ConversionPath path);

}  // namespace brisca
