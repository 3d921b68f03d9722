#include "brisca/present/color_tables.h"

#include <algorithm>
#include <cstring>

namespace brisca {
namespace {

std::uint8_t Clamp255(int value) {
  return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

Bgr24Tables BuildBgr24() {
  Bgr24Tables t{};
  for (int i = 0; i < 256; ++i) {
    t.y[i] = 9535 * (i - 16);
    t.b_u[i] = 16531 * (i - 128);
    t.g_v[i] = -6660 * (i - 128);
    t.g_u[i] = -3203 * (i - 128);
    t.r_v[i] = 13074 * (i - 128);
  }
  return t;
}

Rgb565Tables BuildRgb565() {
  Rgb565Tables t{};
  for (int i = 0; i < 256; ++i) {
    const int c = i - 128;
    // static_cast truncates toward zero, which is the rounding required.
    t.red_offset[i] = static_cast<std::int16_t>(1.4013377926421404 * c);
    t.blue_offset[i] = static_cast<std::int16_t>(1.7734138972809665 * c);
  }
  for (int v = 0; v < 256; ++v) {
    for (int u = 0; u < 256; ++u) {
      t.green_offset[v * 256 + u] = static_cast<std::int16_t>(
          -0.7136038186157518 * (v - 128) - 0.34441087613293053 * (u - 128));
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

}  // namespace

const Bgr24Tables& Bgr24ConversionTables() {
  static const Bgr24Tables tables = BuildBgr24();
  return tables;
}

const Rgb565Tables& Rgb565ConversionTables() {
  static const Rgb565Tables tables = BuildRgb565();
  return tables;
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

void I420ToBgr24(const I420View& picture, std::uint8_t* dst, int dst_stride) {
  const Bgr24Tables& t = Bgr24ConversionTables();
  for (int row = 0; row < picture.height; ++row) {
    const std::uint8_t* ys = picture.y + static_cast<std::ptrdiff_t>(row) * picture.y_stride;
    const std::ptrdiff_t c_offset = static_cast<std::ptrdiff_t>(row / 2) * picture.c_stride;
    const std::uint8_t* us = picture.u + c_offset;
    const std::uint8_t* vs = picture.v + c_offset;
    std::uint8_t* out = dst + static_cast<std::ptrdiff_t>(row) * dst_stride;
    for (int col = 0; col < picture.width; ++col) {
      const int luma = t.y[ys[col]];
      const int u = us[col / 2];
      const int v = vs[col / 2];
      out[0] = Clamp255((luma + t.b_u[u]) >> 13);
      out[1] = Clamp255((luma + t.g_v[v] + t.g_u[u]) >> 13);
      out[2] = Clamp255((luma + t.r_v[v]) >> 13);
      out += 3;
    }
  }
}

void I420ToRgb565(const I420View& picture, std::uint8_t* dst, int dst_stride) {
  const Rgb565Tables& t = Rgb565ConversionTables();
  for (int row = 0; row < picture.height; ++row) {
    const std::uint8_t* ys = picture.y + static_cast<std::ptrdiff_t>(row) * picture.y_stride;
    const std::ptrdiff_t c_offset = static_cast<std::ptrdiff_t>(row / 2) * picture.c_stride;
    const std::uint8_t* us = picture.u + c_offset;
    const std::uint8_t* vs = picture.v + c_offset;
    std::uint8_t* out = dst + static_cast<std::ptrdiff_t>(row) * dst_stride;
    for (int col = 0; col < picture.width; ++col) {
      const int u = us[col / 2];
      const int v = vs[col / 2];
      const int base = ys[col] + 256;
      const std::uint16_t pixel = static_cast<std::uint16_t>(
          t.red[base + t.red_offset[v]] | t.green[base + t.green_offset[v * 256 + u]] |
          t.blue[base + t.blue_offset[u]]);
      // The buffer is plain bytes; memcpy keeps the store free of aliasing
      // and alignment assumptions.
      std::memcpy(out + col * 2, &pixel, sizeof pixel);
    }
  }
}

}  // namespace brisca
