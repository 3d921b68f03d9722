#include "brisca/present/watermark.h"

#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "brisca/present/direct_draw.h"
#include "brisca/testing/memory_target.h"
#include "present_test_support.h"

namespace brisca {
namespace {

namespace fs = std::filesystem;
using testing::MemoryTarget;
using test::Planes;

class WatermarkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("present_watermark_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Writes a uniform RGBA PNG and returns its path.
  std::string WritePng(const std::string& name, int width, int height, std::uint8_t r, std::uint8_t g,
                       std::uint8_t b, std::uint8_t a) {
    std::vector<std::uint8_t> pixels;
    for (int i = 0; i < width * height; ++i) pixels.insert(pixels.end(), {r, g, b, a});
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGBA;
    const std::string path = (dir_ / name).string();
    EXPECT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), 0, nullptr));
    return path;
  }

  // Draws a uniform picture (BGR24 mode) and returns its first pixel.
  std::vector<int> DrawPixel(CDirectDraw& display, std::uint8_t luma) {
    const Planes p(16, 8, luma, 128, 128);
    EXPECT_EQ(display.Draw(p.y.data(), 16, p.u.data(), p.v.data(), 8), 0);
    const std::vector<std::uint8_t> pixels = target_.pixels();
    return {pixels[0], pixels[1], pixels[2]};
  }

  void SetUpDisplay(CDirectDraw& display) {
    display.SetWindow(target_.target());
    ASSERT_TRUE(display.SetUp(16, 8));
  }

  fs::path dir_;
  MemoryTarget target_{{.formats = 1u << BR_PIXFMT_BGR24, .keep_pixels = true}};
};

TEST(WatermarkOpacityRule, AlphaTimes255HundredthsTruncated) {
  EXPECT_EQ(WatermarkOpacity(100), 254);
  EXPECT_EQ(WatermarkOpacity(50), 127);
  EXPECT_EQ(WatermarkOpacity(0), 0);
  EXPECT_EQ(BlendChannel(200, 0, 254), 199);  // (50800 + 127) / 255
  EXPECT_EQ(BlendChannel(200, 100, 0), 100);
}

TEST_F(WatermarkTest, OpacityAt100And50And0) {
  const std::string png = WritePng("mark.png", 4, 4, 200, 100, 50, 255);
  CDirectDraw display;
  SetUpDisplay(display);
  display.InitWatermark(png, true, 100);
  // Over black: dst = (src * op + 127) / 255; pixels are blue, green, red.
  std::vector<int> px = DrawPixel(display, 16);
  EXPECT_EQ(px, (std::vector<int>{(50 * 254 + 127) / 255, (100 * 254 + 127) / 255, (200 * 254 + 127) / 255}));

  display.SetWatermarkAlpha(50);
  px = DrawPixel(display, 16);
  EXPECT_EQ(px, (std::vector<int>{(50 * 127 + 127) / 255, (100 * 127 + 127) / 255, (200 * 127 + 127) / 255}));

  display.SetWatermarkAlpha(0);
  px = DrawPixel(display, 16);
  EXPECT_EQ(px, (std::vector<int>{0, 0, 0}));
}

TEST_F(WatermarkTest, AlphaAbove100AndNegativeAreIgnored) {
  CDirectDraw display;
  display.SetWatermarkAlpha(40);
  display.SetWatermarkAlpha(150);
  EXPECT_EQ(display.watermark_alpha(), 40);
  display.SetWatermarkAlpha(-1);
  EXPECT_EQ(display.watermark_alpha(), 40);
  display.SetWatermarkAlpha(100);
  EXPECT_EQ(display.watermark_alpha(), 100);
}

TEST_F(WatermarkTest, TransparentPartsAreBlack) {
  const std::string png = WritePng("clear.png", 3, 3, 255, 255, 255, 0);
  CDirectDraw display;
  SetUpDisplay(display);
  display.InitWatermark(png, true, 100);
  // White picture (254) under black at opacity 254: (254 * 1 + 127) / 255.
  EXPECT_EQ(DrawPixel(display, 235), (std::vector<int>{1, 1, 1}));
}

TEST_F(WatermarkTest, DisabledOrUnloadableDrawsNothing) {
  const std::string png = WritePng("mark.png", 2, 2, 200, 100, 50, 255);
  CDirectDraw display;
  SetUpDisplay(display);
  display.InitWatermark(png, false, 100);
  EXPECT_EQ(DrawPixel(display, 235), (std::vector<int>{254, 254, 254}));
  display.EnableWatermark(true);
  EXPECT_NE(DrawPixel(display, 235), (std::vector<int>{254, 254, 254}));

  // A damaged file replaces the loaded picture with nothing.
  const std::string damaged = (dir_ / "damaged.png").string();
  {
    std::ifstream in(png, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::ofstream out(damaged, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size() / 2));
  }
  display.InitWatermark(damaged, true, 100);
  EXPECT_EQ(DrawPixel(display, 235), (std::vector<int>{254, 254, 254}));

  display.InitWatermark((dir_ / "missing.png").string(), true, 100);
  EXPECT_EQ(DrawPixel(display, 235), (std::vector<int>{254, 254, 254}));
}

TEST_F(WatermarkTest, LoadRejectsGarbageAndConvertsColourTypes) {
  const std::string garbage = (dir_ / "garbage.png").string();
  {
    std::ofstream out(garbage, std::ios::binary);
    out << "\x89PNG\r\n\x1a\n this is not a picture";
  }
  EXPECT_TRUE(LoadWatermarkPng(garbage).empty());

  // A grey picture without alpha still loads as opaque colour.
  std::vector<std::uint8_t> grey(6, 90);
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = 3;
  image.height = 2;
  image.format = PNG_FORMAT_GRAY;
  const std::string path = (dir_ / "grey.png").string();
  ASSERT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, grey.data(), 0, nullptr));
  const BgrBitmap bitmap = LoadWatermarkPng(path);
  ASSERT_EQ(bitmap.width, 3);
  ASSERT_EQ(bitmap.height, 2);
  for (std::uint8_t c : bitmap.pixels) EXPECT_EQ(c, 90);
}

TEST_F(WatermarkTest, ScaledToPictureSize) {
  // Left half red, right half blue after scaling 2x1 to 16x8: the outer
  // columns keep the pure colours.
  BgrBitmap source;
  source.width = 2;
  source.height = 1;
  source.pixels = {0, 0, 255, 255, 0, 0};
  const BgrBitmap scaled = ScaleBitmap(source, 16, 8);
  ASSERT_EQ(scaled.width, 16);
  ASSERT_EQ(scaled.height, 8);
  ASSERT_EQ(scaled.pixels.size(), 16u * 8u * 3u);
  EXPECT_EQ(scaled.pixels[2], 255);
  EXPECT_EQ(scaled.pixels[0], 0);
  EXPECT_EQ(scaled.pixels[15 * 3], 255);
  EXPECT_EQ(scaled.pixels[15 * 3 + 2], 0);
  EXPECT_TRUE(ScaleBitmap(BgrBitmap{}, 16, 8).empty());
}

TEST_F(WatermarkTest, I420OverlayCarriesWatermarkWithOpacityAsAlpha) {
  const std::string png = WritePng("mark.png", 4, 4, 200, 100, 50, 255);
  MemoryTarget target({.formats = 1u << BR_PIXFMT_I420, .keep_pixels = true});
  CDirectDraw display;
  display.SetWindow(target.target());
  ASSERT_TRUE(display.SetUp(16, 8));
  display.InitWatermark(png, true, 50);
  const Planes p(16, 8, 16, 128, 128);
  ASSERT_EQ(display.Draw(p.y.data(), 16, p.u.data(), p.v.data(), 8), 0);
  ASSERT_NE(target.last().overlay, nullptr);
  EXPECT_EQ(target.overlay()[0], 50);
  EXPECT_EQ(target.overlay()[1], 100);
  EXPECT_EQ(target.overlay()[2], 200);
  EXPECT_EQ(target.overlay()[3], 127);

  // Alpha 0 still uses the overlay, fully transparent.
  display.SetWatermarkAlpha(0);
  ASSERT_EQ(display.Draw(p.y.data(), 16, p.u.data(), p.v.data(), 8), 0);
  ASSERT_NE(target.last().overlay, nullptr);
  EXPECT_EQ(target.overlay()[3], 0);
}

}  // namespace
}  // namespace brisca
