#include "brisca/present/color_tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <random>
#include <string>
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

// The conversion paths this processor runs, scalar first.
std::vector<ConversionPath> AvailablePaths() {
  std::vector<ConversionPath> paths;
  for (ConversionPath path : {ConversionPath::kScalar, ConversionPath::kSsse3, ConversionPath::kAvx2}) {
    if (path <= FastestConversionPath()) paths.push_back(path);
  }
  return paths;
}

std::string PathName(ConversionPath path) {
  const char* const names[] = {"scalar", "SSSE3", "AVX2"};
  return names[static_cast<int>(path)];
}

// A picture in buffers that end exactly at its last sample, so that a read
// past any plane's last row is a heap overflow under ASan; `pad` adds bytes
// between rows.
struct Planes {
  int width;
  int height;
  int y_stride;
  int c_stride;
  std::vector<std::uint8_t> y, u, v;

  Planes(int w, int h, int pad)
      : width(w), height(h), y_stride(w + pad), c_stride((w + 1) / 2 + pad),
        y(static_cast<std::size_t>((h - 1) * y_stride + w)),
        u(static_cast<std::size_t>(((h + 1) / 2 - 1) * c_stride + (w + 1) / 2)), v(u.size()) {}

  I420View View() const { return {y.data(), u.data(), v.data(), y_stride, c_stride, width, height}; }
  int Y(int row, int col) const { return y[static_cast<std::size_t>(row * y_stride + col)]; }
  int U(int row, int col) const { return u[static_cast<std::size_t>(row / 2 * c_stride + col / 2)]; }
  int V(int row, int col) const { return v[static_cast<std::size_t>(row / 2 * c_stride + col / 2)]; }
};

// Both formats behind one interface, for tests that check either.
struct Bgr24Format {
  static constexpr int kBytes = 3;
  static void Convert(const I420View& picture, std::uint8_t* dst, int stride, ConversionPath path) {
    I420ToBgr24(picture, dst, stride, path);
  }
  static void Reference(int y, int u, int v, std::uint8_t* out) { YuvToBgr24(y, u, v, out); }
};

struct Rgb565Format {
  static constexpr int kBytes = 2;
  static void Convert(const I420View& picture, std::uint8_t* dst, int stride, ConversionPath path) {
    I420ToRgb565(picture, dst, stride, path);
  }
  static void Reference(int y, int u, int v, std::uint8_t* out) {
    const std::uint16_t pixel = YuvToRgb565(y, u, v);
    std::memcpy(out, &pixel, sizeof pixel);
  }
};

// The picture converted pixel by pixel into rows `stride` bytes apart; the
// bytes between rows keep `fill`.
template <class Format>
std::vector<std::uint8_t> ReferencePicture(const Planes& p, int stride, std::uint8_t fill) {
  std::vector<std::uint8_t> out(static_cast<std::size_t>((p.height - 1) * stride + p.width * Format::kBytes), fill);
  for (int row = 0; row < p.height; ++row) {
    for (int col = 0; col < p.width; ++col) {
      Format::Reference(p.Y(row, col), p.U(row, col), p.V(row, col),
                        out.data() + row * stride + col * Format::kBytes);
    }
  }
  return out;
}

// Names the first pixel (or padding byte) where `actual` differs.
testing::AssertionResult SameBytes(const std::vector<std::uint8_t>& expected, const std::vector<std::uint8_t>& actual,
                                   const Planes& p, int stride, int bytes_per_pixel) {
  const auto diff = std::mismatch(expected.begin(), expected.end(), actual.begin());
  if (diff.first == expected.end()) return testing::AssertionSuccess();
  const int at = static_cast<int>(diff.first - expected.begin());
  const int row = at / stride;
  const int col = at % stride / bytes_per_pixel;
  if (col >= p.width) return testing::AssertionFailure() << "padding byte changed after row " << row;
  return testing::AssertionFailure() << "pixel (" << col << ", " << row << ") of " << p.width << " x " << p.height
                                     << ", Y U V = " << p.Y(row, col) << " " << p.U(row, col) << " "
                                     << p.V(row, col) << ": byte " << at % stride % bytes_per_pixel << " is "
                                     << int{*diff.second} << ", expected " << int{*diff.first};
}

// 4096 x 4096 pixels hold every (Y, U, V) once: each (U, V) pair is the
// chroma of 64 blocks of 2 x 2 pixels whose luma runs through 0..255. Made
// in bands of 256 rows to keep the buffers small.
template <class Format>
void CheckEveryCombination() {
  constexpr int kWidth = 4096;
  constexpr int kBandRows = 256;
  constexpr int kChromaWidth = kWidth / 2;
  const int stride = kWidth * Format::kBytes;
  for (int band = 0; band < 4096 / kBandRows; ++band) {
    Planes p(kWidth, kBandRows, 0);
    for (int cy = 0; cy < kBandRows / 2; ++cy) {
      for (int cx = 0; cx < kChromaWidth; ++cx) {
        const int c = (band * kBandRows / 2 + cy) * kChromaWidth + cx;
        p.u[static_cast<std::size_t>(cy * kChromaWidth + cx)] = static_cast<std::uint8_t>(c);
        p.v[static_cast<std::size_t>(cy * kChromaWidth + cx)] = static_cast<std::uint8_t>(c >> 8);
        for (int k = 0; k < 4; ++k) {
          p.y[static_cast<std::size_t>((2 * cy + k / 2) * kWidth + 2 * cx + k % 2)] =
              static_cast<std::uint8_t>((c >> 16) * 4 + k);
        }
      }
    }
    const std::vector<std::uint8_t> expected = ReferencePicture<Format>(p, stride, 0);
    for (ConversionPath path : AvailablePaths()) {
      std::vector<std::uint8_t> out(expected.size());
      Format::Convert(p.View(), out.data(), stride, path);
      ASSERT_TRUE(SameBytes(expected, out, p, stride, Format::kBytes)) << PathName(path) << ", band " << band;
    }
  }
}

// Every width up to 70 (two AVX2 steps, an SSSE3 step and every remainder)
// and odd and even heights, with random samples, tight and padded rows.
template <class Format>
void CheckSmallPictures() {
  std::mt19937 random(20261209);
  const int heights[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 33, 70};
  for (int width = 1; width <= 70; ++width) {
    for (int height : heights) {
      for (int pad : {0, 5}) {
        Planes p(width, height, pad);
        for (auto* plane : {&p.y, &p.u, &p.v}) {
          for (std::uint8_t& sample : *plane) sample = static_cast<std::uint8_t>(random());
        }
        const int stride = width * Format::kBytes + 3 * pad;
        constexpr std::uint8_t kFill = 0xA5;
        const std::vector<std::uint8_t> expected = ReferencePicture<Format>(p, stride, kFill);
        for (ConversionPath path : AvailablePaths()) {
          // Exactly the picture's rows: a write past the last one overflows.
          std::vector<std::uint8_t> out(expected.size(), kFill);
          Format::Convert(p.View(), out.data(), stride, path);
          ASSERT_TRUE(SameBytes(expected, out, p, stride, Format::kBytes)) << PathName(path) << ", pad " << pad;
        }
      }
    }
  }
}

TEST(ColorBgr24, EveryPathConvertsEveryCombinationAsThePixelFunction) {
  CheckEveryCombination<Bgr24Format>();
}

TEST(ColorRgb565, EveryPathConvertsEveryCombinationAsThePixelFunction) {
  CheckEveryCombination<Rgb565Format>();
}

TEST(ColorBgr24, EveryPathConvertsAnySizeAndStrideAsThePixelFunction) {
  CheckSmallPictures<Bgr24Format>();
}

TEST(ColorRgb565, EveryPathConvertsAnySizeAndStrideAsThePixelFunction) {
  CheckSmallPictures<Rgb565Format>();
}

}  // namespace
}  // namespace brisca
