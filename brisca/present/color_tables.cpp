#include "brisca/present/color_tables.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "brisca/present/color_simd.h"

namespace brisca {
namespace {

using color_simd::RowPair;

std::uint8_t Clamp255(int value) {
  return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

Bgr24Tables BuildBgr24() {
  Bgr24Tables t{};
  for (int i = 0; i < 256; ++i) {
    t.y[i] = color_simd::kLumaFactor * (i - 16);
    t.b_u[i] = color_simd::kBlueFromU * (i - 128);
    t.g_v[i] = color_simd::kGreenFromV * (i - 128);
    t.g_u[i] = color_simd::kGreenFromU * (i - 128);
    t.r_v[i] = color_simd::kRedFromV * (i - 128);
  }
  return t;
}

Rgb565Tables BuildRgb565() {
  Rgb565Tables t{};
  for (int i = 0; i < 256; ++i) {
    const int c = i - 128;
    // static_cast truncates toward zero, which is the rounding required.
    t.red_offset[i] = static_cast<std::int16_t>(color_simd::kRedFromV565 * c);
    t.blue_offset[i] = static_cast<std::int16_t>(color_simd::kBlueFromU565 * c);
  }
  for (int v = 0; v < 256; ++v) {
    for (int u = 0; u < 256; ++u) {
      t.green_offset[v * 256 + u] = static_cast<std::int16_t>(color_simd::kGreenFromV565 * (v - 128) -
                                                              color_simd::kGreenFromU565 * (u - 128));
    }
  }
  for (int i = 0; i < 768; ++i) {
    const int c = std::clamp(i - 256, 0, 255);
    t.red[i] = static_cast<std::uint16_t>((c >> 3) << 11);
    t.green[i] = static_cast<std::uint16_t>((c >> 2) << 5);
    t.blue[i] = static_cast<std::uint16_t>(c >> 3);
  }
  return t;
}

ConversionPath DetectPath() {
#if BRISCA_COLOR_X86
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2")) return ConversionPath::kAvx2;
  if (__builtin_cpu_supports("ssse3")) return ConversionPath::kSsse3;
#endif
  return ConversionPath::kScalar;
}

// Pixels [from, width) of one row by the tables.
void Bgr24RowScalar(const std::uint8_t* ys, const std::uint8_t* us, const std::uint8_t* vs,
                    std::uint8_t* out, int from, int width) {
  const Bgr24Tables& t = Bgr24ConversionTables();
  out += static_cast<std::ptrdiff_t>(from) * 3;
  for (int col = from; col < width; ++col) {
    const int luma = t.y[ys[col]];
    const int u = us[col / 2];
    const int v = vs[col / 2];
    out[0] = Clamp255((luma + t.b_u[u]) >> 13);
    out[1] = Clamp255((luma + t.g_v[v] + t.g_u[u]) >> 13);
    out[2] = Clamp255((luma + t.r_v[v]) >> 13);
    out += 3;
  }
}

void Rgb565RowScalar(const std::uint8_t* ys, const std::uint8_t* us, const std::uint8_t* vs,
                     std::uint8_t* out, int from, int width) {
  const Rgb565Tables& t = Rgb565ConversionTables();
  for (int col = from; col < width; ++col) {
    const int u = us[col / 2];
    const int v = vs[col / 2];
    const int base = ys[col] + 256;
    const std::uint16_t pixel = static_cast<std::uint16_t>(
        t.red[base + t.red_offset[v]] | t.green[base + t.green_offset[v * 256 + u]] |
        t.blue[base + t.blue_offset[u]]);
    // The buffer is plain bytes; memcpy keeps the store free of aliasing
    // and alignment assumptions.
    std::memcpy(out + static_cast<std::ptrdiff_t>(col) * 2, &pixel, sizeof pixel);
  }
}

// The same rows from pixel `done` on (an even count, so chroma stays paired).
RowPair Skip(const RowPair& rows, int done, int bytes_per_pixel) {
  RowPair rest = rows;
  for (int r = 0; r < rows.count; ++r) {
    rest.y[r] += done;
    rest.out[r] += static_cast<std::ptrdiff_t>(done) * bytes_per_pixel;
  }
  rest.u += done / 2;
  rest.v += done / 2;
  rest.width -= done;
  return rest;
}

using RowKernel = int (*)(const RowPair&);
using RowScalar = void (*)(const std::uint8_t*, const std::uint8_t*, const std::uint8_t*, std::uint8_t*,
                           int, int);

// Runs the widest kernel `path` allows over each pair of rows, narrower ones
// over what is left, and the tables over the last few pixels.
void Convert(const I420View& picture, std::uint8_t* dst, int dst_stride, ConversionPath path,
             int bytes_per_pixel, RowKernel avx2, RowKernel ssse3, RowScalar scalar) {
  path = std::min(path, FastestConversionPath());
  for (int row = 0; row < picture.height; row += 2) {
    RowPair rows{};
    rows.count = std::min(2, picture.height - row);
    for (int r = 0; r < rows.count; ++r) {
      rows.y[r] = picture.y + static_cast<std::ptrdiff_t>(row + r) * picture.y_stride;
      rows.out[r] = dst + static_cast<std::ptrdiff_t>(row + r) * dst_stride;
    }
    const std::ptrdiff_t c_offset = static_cast<std::ptrdiff_t>(row / 2) * picture.c_stride;
    rows.u = picture.u + c_offset;
    rows.v = picture.v + c_offset;
    rows.width = picture.width;
    int done = 0;
    if (path >= ConversionPath::kAvx2) done += avx2(rows);
    if (path >= ConversionPath::kSsse3) done += ssse3(Skip(rows, done, bytes_per_pixel));
    for (int r = 0; r < rows.count; ++r) scalar(rows.y[r], rows.u, rows.v, rows.out[r], done, rows.width);
  }
}

#if BRISCA_COLOR_X86
constexpr RowKernel kBgr24Avx2 = color_simd::Bgr24RowsAvx2;
constexpr RowKernel kBgr24Ssse3 = color_simd::Bgr24RowsSsse3;
constexpr RowKernel kRgb565Avx2 = color_simd::Rgb565RowsAvx2;
constexpr RowKernel kRgb565Ssse3 = color_simd::Rgb565RowsSsse3;
#else
constexpr RowKernel kBgr24Avx2 = nullptr;
constexpr RowKernel kBgr24Ssse3 = nullptr;
constexpr RowKernel kRgb565Avx2 = nullptr;
constexpr RowKernel kRgb565Ssse3 = nullptr;
#endif

}  // namespace

const Bgr24Tables& Bgr24ConversionTables() {
  static const Bgr24Tables tables = BuildBgr24();
  return tables;
}

const Rgb565Tables& Rgb565ConversionTables() {
  static const Rgb565Tables tables = BuildRgb565();
  return tables;
}

ConversionPath FastestConversionPath() {
  static const ConversionPath path = DetectPath();
  return path;
}

void YuvToBgr24(int y, int u, int v, std::uint8_t bgr[3]) {
  const Bgr24Tables& t = Bgr24ConversionTables();
  const int luma = t.y[y & 0xFF];
  // Arithmetic right shift of a negative sum floors; the clamp maps it to 0.
  bgr[0] = Clamp255((luma + t.b_u[u & 0xFF]) >> 13);
  bgr[1] = Clamp255((luma + t.g_v[v & 0xFF] + t.g_u[u & 0xFF]) >> 13);
  bgr[2] = Clamp255((luma + t.r_v[v & 0xFF]) >> 13);
}

std::uint16_t YuvToRgb565(int y, int u, int v) {
  const Rgb565Tables& t = Rgb565ConversionTables();
  const int base = (y & 0xFF) + 256;
  return static_cast<std::uint16_t>(t.red[base + t.red_offset[v & 0xFF]] |
                                    t.green[base + t.green_offset[(v & 0xFF) * 256 + (u & 0xFF)]] |
                                    t.blue[base + t.blue_offset[u & 0xFF]]);
}

void I420ToBgr24(const I420View& picture, std::uint8_t* dst, int dst_stride, ConversionPath path) {
  Convert(picture, dst, dst_stride, path, 3, kBgr24Avx2, kBgr24Ssse3, Bgr24RowScalar);
}

void I420ToBgr24(const I420View& picture, std::uint8_t* dst, int dst_stride) {
  I420ToBgr24(picture, dst, dst_stride, FastestConversionPath());
}

void I420ToRgb565(const I420View& picture, std::uint8_t* dst, int dst_stride, ConversionPath path) {
  Convert(picture, dst, dst_stride, path, 2, kRgb565Avx2, kRgb565Ssse3, Rgb565RowScalar);
}

void I420ToRgb565(const I420View& picture, std::uint8_t* dst, int dst_stride) {
  I420ToRgb565(picture, dst, dst_stride, FastestConversionPath());
}

}  // namespace brisca
