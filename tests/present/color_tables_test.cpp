#include "brisca/present/color_tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace brisca {
namespace {

// The conversions written out directly from their formulas, without tables.
void ReferenceBgr(int y, int u, int v, int out[3]) {
  const int luma = 9535 * (y - 16);
  const int cu = u - 128;
  const int cv = v - 128;
  out[0] = std::clamp((luma + 16531 * cu) >> 13, 0, 255);
  out[1] = std::clamp((luma - 6660 * cv - 3203 * cu) >> 13, 0, 255);
  out[2] = std::clamp((luma + 13074 * cv) >> 13, 0, 255);
}

std::uint16_t Reference565(int y, int u, int v) {
  const int cu = u - 128;
  const int cv = v - 128;
  const int red = static_cast<int>(std::trunc(1.4013377926421404 * cv));
  const int green = static_cast<int>(std::trunc(-0.7136038186157518 * cv - 0.34441087613293053 * cu));
  const int blue = static_cast<int>(std::trunc(1.7734138972809665 * cu));
  const int r = std::clamp(y + red, 0, 255);
  const int g = std::clamp(y + green, 0, 255);
  const int b = std::clamp(y + blue, 0, 255);
  return static_cast<std::uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

TEST(ColorBgr24, BlackAndWhiteOfStudioRange) {
  std::uint8_t bgr[3];
  YuvToBgr24(16, 128, 128, bgr);
  EXPECT_EQ(bgr[0], 0);
  EXPECT_EQ(bgr[1], 0);
  EXPECT_EQ(bgr[2], 0);
  YuvToBgr24(235, 128, 128, bgr);
  // 9535 * 219 >> 13 = 254.
  EXPECT_EQ(bgr[0], 254);
  EXPECT_EQ(bgr[1], 254);
  EXPECT_EQ(bgr[2], 254);
}

TEST(ColorBgr24, ClampsBothEnds) {
  std::uint8_t bgr[3];
  YuvToBgr24(0, 0, 0, bgr);
  EXPECT_EQ(bgr[0], 0);
  EXPECT_EQ(bgr[1], 135);  // (-152560 + 6660*128 + 3203*128) >> 13
  EXPECT_EQ(bgr[2], 0);
  YuvToBgr24(255, 255, 255, bgr);
  EXPECT_EQ(bgr[0], 255);
  EXPECT_EQ(bgr[1], 125);  // (2278865 - 6660*127 - 3203*127) >> 13
  EXPECT_EQ(bgr[2], 255);
}

TEST(ColorBgr24, MatchesFormulaOnSaturatedColours) {
  const int samples[][3] = {{81, 90, 240}, {145, 54, 34}, {41, 240, 110}, {210, 16, 146},
                            {170, 166, 16}, {106, 202, 222}, {16, 0, 255}, {235, 255, 0}};
  for (const auto& s : samples) {
    std::uint8_t bgr[3];
    int expected[3];
    YuvToBgr24(s[0], s[1], s[2], bgr);
    ReferenceBgr(s[0], s[1], s[2], expected);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(bgr[c], expected[c]) << s[0] << "," << s[1] << "," << s[2];
  }
}

TEST(ColorBgr24, EveryCombinationMatchesFormula) {
  for (int y = 0; y < 256; y += 5) {
    for (int u = 0; u < 256; u += 3) {
      for (int v = 0; v < 256; v += 7) {
        std::uint8_t bgr[3];
        int expected[3];
        YuvToBgr24(y, u, v, bgr);
        ReferenceBgr(y, u, v, expected);
        ASSERT_TRUE(bgr[0] == expected[0] && bgr[1] == expected[1] && bgr[2] == expected[2])
            << y << "," << u << "," << v;
      }
    }
  }
}

TEST(ColorRgb565, GreyAndClamping) {
  EXPECT_EQ(YuvToRgb565(128, 128, 128), 0x8410);
  EXPECT_EQ(YuvToRgb565(0, 128, 128), 0x0000);
  EXPECT_EQ(YuvToRgb565(255, 128, 128), 0xFFFF);
  // Red offset trunc(1.401 * 127) = 177 clamps red to 255; green offset
  // trunc(-0.714 * 127) = -90 gives 165; blue stays 255 >> 3.
  EXPECT_EQ(YuvToRgb565(255, 128, 255), (31 << 11) | ((165 >> 2) << 5) | 31);
  // Negative offsets clamp to 0: blue offset trunc(1.773 * -128) = -227.
  EXPECT_EQ(YuvToRgb565(100, 0, 128) & 0x1F, 0);
}

TEST(ColorRgb565, EveryCombinationMatchesFormula) {
  for (int y = 0; y < 256; y += 3) {
    for (int u = 0; u < 256; u += 5) {
      for (int v = 0; v < 256; v += 7) {
        ASSERT_EQ(YuvToRgb565(y, u, v), Reference565(y, u, v)) << y << "," << u << "," << v;
      }
    }
  }
}

// A 4 x 4 picture whose four chroma samples differ, so that a wrong 2 x 2
// assignment shows.
struct BlockPicture {
  std::vector<std::uint8_t> y{16, 60, 100, 235, 30, 80, 120, 200, 50, 90, 140, 180, 70, 110, 160, 220};
  std::vector<std::uint8_t> u{90, 240, 54, 16};
  std::vector<std::uint8_t> v{240, 110, 34, 146};
  I420View View() const { return {y.data(), u.data(), v.data(), 4, 2, 4, 4}; }
};

TEST(ColorBgr24, PictureUsesEachChromaSampleForTwoByTwoBlock) {
  const BlockPicture p;
  std::vector<std::uint8_t> out(4 * 3 * 4 + 8, 0xEE);
  I420ToBgr24(p.View(), out.data(), 4 * 3 + 2);  // padded rows
  for (int row = 0; row < 4; ++row) {
    for (int col = 0; col < 4; ++col) {
      const std::size_t c = static_cast<std::size_t>((row / 2) * 2 + col / 2);
      int expected[3];
      ReferenceBgr(p.y[static_cast<std::size_t>(row * 4 + col)], p.u[c], p.v[c], expected);
      for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(out[static_cast<std::size_t>(row * 14 + col * 3 + k)], expected[k]) << row << "," << col;
      }
    }
    if (row < 3) {
      EXPECT_EQ(out[static_cast<std::size_t>(row * 14 + 12)], 0xEE) << "padding written";
    }
  }
}

TEST(ColorRgb565, PictureUsesEachChromaSampleForTwoByTwoBlock) {
  const BlockPicture p;
  std::vector<std::uint8_t> out(4 * 4 * 2);
  I420ToRgb565(p.View(), out.data(), 8);
  for (int row = 0; row < 4; ++row) {
    for (int col = 0; col < 4; ++col) {
      const std::size_t c = static_cast<std::size_t>((row / 2) * 2 + col / 2);
      std::uint16_t pixel = 0;
      std::memcpy(&pixel, out.data() + row * 8 + col * 2, 2);
      EXPECT_EQ(pixel, Reference565(p.y[static_cast<std::size_t>(row * 4 + col)], p.u[c], p.v[c]))
          << row << "," << col;
    }
  }
}

}  // namespace
}  // namespace brisca
