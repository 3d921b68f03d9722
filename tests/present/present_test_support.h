// Pictures for the display tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace brisca::test {

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
