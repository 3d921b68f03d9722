#include "tools/sample/picture_painter.h"

#include <algorithm>
#include <array>

namespace brisca::tools::sample {
namespace {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
constexpr int kCellWidth = kGlyphWidth + 1;   // one column of spacing
constexpr int kCellHeight = kGlyphHeight + 2;  // two rows of spacing
constexpr uint8_t kBlack = 16;                 // video-range luma
constexpr uint8_t kWhite = 235;
constexpr uint8_t kNeutralChroma = 128;

struct Glyph {
  char character;
  std::array<uint8_t, kGlyphHeight> rows;  // bit 4 is the leftmost column
};

constexpr std::array<Glyph, 15> kFont{{
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}},
    {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
}};

const Glyph* FindGlyph(char character) {
  for (const Glyph& glyph : kFont) {
    if (glyph.character == character) return &glyph;
  }
  return nullptr;
}

// Grows the text with the picture: one font pixel per 160 picture columns.
int TextScale(const Yuv420Picture& picture) {
  return std::max(1, std::min(picture.width / 160, picture.height / 90));
}

void FillRect(const Yuv420Picture& picture, int x, int y, int width,
              int height, uint8_t luma) {
  const int x0 = std::clamp(x, 0, picture.width);
  const int x1 = std::clamp(x + width, 0, picture.width);
  const int y0 = std::clamp(y, 0, picture.height);
  const int y1 = std::clamp(y + height, 0, picture.height);
  for (int row = y0; row < y1; ++row) {
    std::fill(picture.planes[0] + row * picture.strides[0] + x0,
              picture.planes[0] + row * picture.strides[0] + x1, luma);
  }
  for (int plane = 1; plane < 3; ++plane) {
    for (int row = y0 / 2; row < (y1 + 1) / 2; ++row) {
      std::fill(picture.planes[plane] + row * picture.strides[plane] + x0 / 2,
                picture.planes[plane] + row * picture.strides[plane] + (x1 + 1) / 2,
                kNeutralChroma);
    }
  }
}

void PaintGlyph(const Yuv420Picture& picture, const Glyph& glyph, int x, int y,
                int scale) {
  for (int row = 0; row < kGlyphHeight; ++row) {
    for (int column = 0; column < kGlyphWidth; ++column) {
      if ((glyph.rows[static_cast<size_t>(row)] >> (kGlyphWidth - 1 - column) & 1) == 0) {
        continue;
      }
      FillRect(picture, x + column * scale, y + row * scale, scale, scale, kWhite);
    }
  }
}

}  // namespace

void PicturePainter::Paint(const Yuv420Picture& picture, uint64_t index,
                           std::span<const std::string> lines) const {
  PaintBackground(picture, index);
  PaintText(picture, lines);
}

// A diagonal gradient scrolling to the left, under a bright bar sweeping to
// the right, and slowly cycling colours.
void PicturePainter::PaintBackground(const Yuv420Picture& picture,
                                     uint64_t index) const {
  const int shift = static_cast<int>(index % 256);
  const int bar_width = std::max(2, picture.width / 16);
  const int bar_x = static_cast<int>((index * 6) % static_cast<uint64_t>(picture.width));
  for (int y = 0; y < picture.height; ++y) {
    uint8_t* row = picture.planes[0] + y * picture.strides[0];
    for (int x = 0; x < picture.width; ++x) {
      const bool in_bar = x >= bar_x && x < bar_x + bar_width;
      row[x] = in_bar ? kWhite
                      : static_cast<uint8_t>(32 + ((x + y / 2 + 4 * shift) & 0xFF) * 3 / 4);
    }
  }
  for (int y = 0; y < picture.height / 2; ++y) {
    uint8_t* u = picture.planes[1] + y * picture.strides[1];
    uint8_t* v = picture.planes[2] + y * picture.strides[2];
    for (int x = 0; x < picture.width / 2; ++x) {
      u[x] = static_cast<uint8_t>(96 + ((x + shift) & 0x3F));
      v[x] = static_cast<uint8_t>(96 + ((y + 2 * shift) & 0x3F));
    }
  }
}

void PicturePainter::PaintText(const Yuv420Picture& picture,
                               std::span<const std::string> lines) const {
  const int scale = TextScale(picture);
  const int margin = 2 * scale;
  size_t longest = 0;
  for (const std::string& line : lines) longest = std::max(longest, line.size());
  if (longest == 0) return;
  // A dark box keeps the text readable over the moving content.
  FillRect(picture, 0, 0, 2 * margin + static_cast<int>(longest) * kCellWidth * scale,
           2 * margin + static_cast<int>(lines.size()) * kCellHeight * scale, kBlack);
  for (size_t line = 0; line < lines.size(); ++line) {
    const int y = margin + static_cast<int>(line) * kCellHeight * scale;
    for (size_t i = 0; i < lines[line].size(); ++i) {
      const Glyph* glyph = FindGlyph(lines[line][i]);
      if (glyph == nullptr) continue;
      PaintGlyph(picture, *glyph, margin + static_cast<int>(i) * kCellWidth * scale, y,
                 scale);
    }
  }
}

}  // namespace brisca::tools::sample
