#include "brisca/present/watermark.h"

#include <png.h>

#include <algorithm>

namespace brisca {

BgrBitmap LoadWatermarkPng(const std::string& path) {
  BgrBitmap bitmap;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  // The simplified API catches libpng's errors itself and reports failure.
  if (!png_image_begin_read_from_file(&image, path.c_str())) return bitmap;
  const std::uint64_t pixels = std::uint64_t{image.width} * image.height;
  if (image.width == 0 || image.height == 0 || pixels > kWatermarkMaxPixels) {
    png_image_free(&image);
    return bitmap;
  }
  image.format = PNG_FORMAT_RGBA;
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(pixels) * 4);
  if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) {
    png_image_free(&image);
    return bitmap;
  }
  bitmap.width = static_cast<int>(image.width);
  bitmap.height = static_cast<int>(image.height);
  bitmap.pixels.resize(static_cast<std::size_t>(pixels) * 3);
  for (std::size_t i = 0; i < pixels; ++i) {
    const int alpha = rgba[i * 4 + 3];
    for (int c = 0; c < 3; ++c) {
      // RGBA to BGR, over black.
      bitmap.pixels[i * 3 + static_cast<std::size_t>(2 - c)] =
          static_cast<std::uint8_t>((rgba[i * 4 + static_cast<std::size_t>(c)] * alpha + 127) / 255);
    }
  }
  return bitmap;
}

BgrBitmap ScaleBitmap(const BgrBitmap& source, int width, int height) {
  BgrBitmap out;
  if (source.empty() || width <= 0 || height <= 0) return out;
  out.width = width;
  out.height = height;
  out.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
  // Source coordinates in 16.16 fixed point of each destination pixel
  // centre, clamped to the source's edge pixels.
  auto positions = [](int src_size, int dst_size) {
    std::vector<std::int64_t> pos(static_cast<std::size_t>(dst_size));
    const std::int64_t limit = std::int64_t{src_size - 1} << 16;
    for (int i = 0; i < dst_size; ++i) {
      const std::int64_t p = ((2 * std::int64_t{i} + 1) * src_size * 65536) / (2 * std::int64_t{dst_size}) - 32768;
      pos[static_cast<std::size_t>(i)] = std::clamp<std::int64_t>(p, 0, limit);
    }
    return pos;
  };
  const std::vector<std::int64_t> xs = positions(source.width, width);
  const std::vector<std::int64_t> ys = positions(source.height, height);
  const std::size_t src_row = static_cast<std::size_t>(source.width) * 3;
  for (int y = 0; y < height; ++y) {
    const std::int64_t py = ys[static_cast<std::size_t>(y)];
    const std::size_t y0 = static_cast<std::size_t>(py >> 16);
    const std::size_t y1 = std::min<std::size_t>(y0 + 1, static_cast<std::size_t>(source.height - 1));
    const std::int64_t fy = py & 0xFFFF;
    std::uint8_t* dst = out.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 3;
    for (int x = 0; x < width; ++x) {
      const std::int64_t px = xs[static_cast<std::size_t>(x)];
      const std::size_t x0 = static_cast<std::size_t>(px >> 16);
      const std::size_t x1 = std::min<std::size_t>(x0 + 1, static_cast<std::size_t>(source.width - 1));
      const std::int64_t fx = px & 0xFFFF;
      for (std::size_t c = 0; c < 3; ++c) {
        const std::int64_t a = source.pixels[y0 * src_row + x0 * 3 + c];
        const std::int64_t b = source.pixels[y0 * src_row + x1 * 3 + c];
        const std::int64_t d = source.pixels[y1 * src_row + x0 * 3 + c];
        const std::int64_t e = source.pixels[y1 * src_row + x1 * 3 + c];
        const std::int64_t top = a * (65536 - fx) + b * fx;
        const std::int64_t bottom = d * (65536 - fx) + e * fx;
        const std::int64_t value = (top * (65536 - fy) + bottom * fy + (std::int64_t{1} << 31)) >> 32;
        *dst++ = static_cast<std::uint8_t>(std::clamp<std::int64_t>(value, 0, 255));
      }
    }
  }
  return out;
}

int WatermarkOpacity(int alpha) {
  const int clamped = std::clamp(alpha, 0, 100);
  return static_cast<int>(clamped * 2.55);
}

}  // namespace brisca
