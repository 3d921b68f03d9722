// Draws the test pictures: moving content that keeps predicted frames busy,
// and lines of text (channel, date, time) in a small built-in bitmap font.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace brisca::tools::sample {

// A writable planar 4:2:0 picture with even width and height. The planes
// are borrowed; chroma planes are half the size in both directions.
struct Yuv420Picture {
  uint8_t* planes[3] = {};
  int strides[3] = {};
  int width = 0;
  int height = 0;
};

class PicturePainter {
 public:
  // Paints picture number `index` of the recording and `lines` of text in
  // its top left corner. Text that does not fit is clipped. The font knows
  // digits, ' ', ':', '-', '.', 'C' and 'H'; other characters stay blank.
  void Paint(const Yuv420Picture& picture, uint64_t index,
             std::span<const std::string> lines) const;

 private:
  void PaintBackground(const Yuv420Picture& picture, uint64_t index) const;
  void PaintText(const Yuv420Picture& picture,
                 std::span<const std::string> lines) const;
};

}  // namespace brisca::tools::sample
