// A memory presentation target and picture helpers for the display tests.
#pragma once

#include <cstdint>
#include <vector>

#include "brisca/api/brisca.h"

namespace brisca::test {

// Records the last picture presented, with copies of its pixels.
struct MemoryTarget {
  BR_VIDEO_TARGET target{};
  int presents = 0;
  BR_PICTURE last{};
  std::vector<std::uint8_t> pixels;   // plane[0] rows, tightly packed
  std::vector<std::uint8_t> overlay;  // width * height * 4 when given

  explicit MemoryTarget(unsigned formats) {
    target.formats = formats;
    target.present = &MemoryTarget::Present;
    target.user = this;
  }

  static void Present(BR_VIDEO_TARGET* t, const BR_PICTURE* picture) {
    auto* self = static_cast<MemoryTarget*>(t->user);
    ++self->presents;
    self->last = *picture;
    const int bytes_per_pixel =
        picture->format == BR_PIXFMT_BGR24 ? 3 : picture->format == BR_PIXFMT_RGB565 ? 2 : 1;
    const std::size_t row = static_cast<std::size_t>(picture->width) * static_cast<std::size_t>(bytes_per_pixel);
    self->pixels.clear();
    for (int y = 0; y < picture->height; ++y) {
      const std::uint8_t* src = picture->plane[0] + static_cast<std::ptrdiff_t>(y) * picture->stride[0];
      self->pixels.insert(self->pixels.end(), src, src + row);
    }
    self->overlay.clear();
    if (picture->overlay) {
      self->overlay.assign(picture->overlay, picture->overlay + static_cast<std::size_t>(picture->width) *
                                                                   static_cast<std::size_t>(picture->height) * 4);
    }
  }
};

// A uniform 4:2:0 picture with owned planes.
struct Planes {
  int width;
  int height;
  std::vector<std::uint8_t> y, u, v;

  Planes(int w, int h, std::uint8_t luma, std::uint8_t cb, std::uint8_t cr)
      : width(w),
        height(h),
        y(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), luma),
        u(static_cast<std::size_t>((w + 1) / 2) * static_cast<std::size_t>((h + 1) / 2), cb),
        v(static_cast<std::size_t>((w + 1) / 2) * static_cast<std::size_t>((h + 1) / 2), cr) {}

  int c_stride() const { return (width + 1) / 2; }
};

}  // namespace brisca::test
