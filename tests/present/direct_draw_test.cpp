#include "brisca/present/direct_draw.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "brisca/present/color_tables.h"
#include "present_test_support.h"

namespace brisca {
namespace {

using test::MemoryTarget;
using test::Planes;

constexpr unsigned kI420 = 1u << BR_PIXFMT_I420;
constexpr unsigned kRgb565 = 1u << BR_PIXFMT_RGB565;
constexpr unsigned kBgr24 = 1u << BR_PIXFMT_BGR24;

int DrawPlanes(CDirectDraw& display, const Planes& p) {
  return display.Draw(p.y.data(), p.width, p.u.data(), p.v.data(), p.c_stride());
}

TEST(DirectDraw, ModeFollowsTargetFormats) {
  const struct {
    unsigned formats;
    CDirectDraw::Mode mode;
  } cases[] = {{kI420 | kRgb565 | kBgr24, CDirectDraw::kModeI420},
               {kI420, CDirectDraw::kModeI420},
               {kRgb565 | kBgr24, CDirectDraw::kModeRgb565},
               {kBgr24, CDirectDraw::kModeBgr24},
               {0, CDirectDraw::kModeBgr24}};
  for (const auto& c : cases) {
    MemoryTarget target(c.formats);
    CDirectDraw display;
    display.SetWindow(&target.target);
    ASSERT_TRUE(display.SetUp(16, 8));
    EXPECT_EQ(display.mode(), c.mode) << c.formats;
    EXPECT_TRUE(display.ready());
  }
}

TEST(DirectDraw, NewTargetChoosesModeAgain) {
  MemoryTarget yuv(kI420);
  MemoryTarget rgb(kRgb565);
  CDirectDraw display;
  display.SetWindow(&yuv.target);
  ASSERT_TRUE(display.SetUp(16, 8));
  display.SetWindow(&rgb.target);
  EXPECT_EQ(display.mode(), CDirectDraw::kModeRgb565);
  const Planes p(16, 8, 128, 128, 128);
  EXPECT_EQ(DrawPlanes(display, p), 0);
  EXPECT_EQ(rgb.last.format, BR_PIXFMT_RGB565);
}

TEST(DirectDraw, DrawBeforeSetUpOrWithoutTargetFails) {
  MemoryTarget target(kBgr24);
  const Planes p(16, 8, 128, 128, 128);
  CDirectDraw display;
  display.SetWindow(&target.target);
  EXPECT_EQ(DrawPlanes(display, p), -1);

  CDirectDraw no_target;
  ASSERT_TRUE(no_target.SetUp(16, 8));
  EXPECT_EQ(DrawPlanes(no_target, p), -1);

  ASSERT_TRUE(display.SetUp(16, 8));
  display.Release();
  EXPECT_FALSE(display.ready());
  EXPECT_EQ(DrawPlanes(display, p), -1);
  EXPECT_EQ(target.presents, 0);
}

TEST(DirectDraw, RejectsBadSizesAndStrides) {
  MemoryTarget target(kBgr24);
  CDirectDraw display;
  display.SetWindow(&target.target);
  EXPECT_FALSE(display.SetUp(0, 8));
  EXPECT_FALSE(display.SetUp(16, -1));
  EXPECT_FALSE(display.SetUp(kDisplayMaxSide + 1, 8));
  EXPECT_FALSE(display.ready());
  ASSERT_TRUE(display.SetUp(16, 8));
  const Planes p(16, 8, 128, 128, 128);
  EXPECT_EQ(display.Draw(p.y.data(), 15, p.u.data(), p.v.data(), 8), -1);
  EXPECT_EQ(display.Draw(p.y.data(), 16, p.u.data(), p.v.data(), 7), -1);
  EXPECT_EQ(display.Draw(nullptr, 16, p.u.data(), p.v.data(), 8), -1);
  EXPECT_EQ(target.presents, 0);
}

TEST(DirectDraw, I420PresentsPlanesAsTheyAreWithoutOverlay) {
  MemoryTarget target(kI420 | kBgr24);
  CDirectDraw display;
  display.SetWindow(&target.target);
  ASSERT_TRUE(display.SetUp(32, 16));
  const Planes p(40, 16, 100, 110, 120);  // rows longer than the picture
  ASSERT_EQ(display.Draw(p.y.data(), 40, p.u.data(), p.v.data(), 20), 0);
  ASSERT_EQ(target.presents, 1);
  EXPECT_EQ(target.last.format, BR_PIXFMT_I420);
  EXPECT_EQ(target.last.width, 32);
  EXPECT_EQ(target.last.height, 16);
  EXPECT_EQ(target.last.plane[0], p.y.data());
  EXPECT_EQ(target.last.plane[1], p.u.data());
  EXPECT_EQ(target.last.plane[2], p.v.data());
  EXPECT_EQ(target.last.stride[0], 40);
  EXPECT_EQ(target.last.stride[1], 20);
  EXPECT_EQ(target.last.stride[2], 20);
  EXPECT_EQ(target.last.overlay, nullptr);
}

TEST(DirectDraw, Bgr24PresentsConvertedRowsTopFirst) {
  MemoryTarget target(kBgr24);
  CDirectDraw display;
  display.SetWindow(&target.target);
  ASSERT_TRUE(display.SetUp(8, 4));
  Planes p(8, 4, 235, 128, 128);
  std::fill(p.y.begin() + 8 * 3, p.y.end(), 16);  // bottom row black
  ASSERT_EQ(DrawPlanes(display, p), 0);
  EXPECT_EQ(target.last.format, BR_PIXFMT_BGR24);
  EXPECT_EQ(target.last.stride[0], 8 * 3);
  EXPECT_EQ(target.last.overlay, nullptr);
  ASSERT_EQ(target.pixels.size(), 8u * 4u * 3u);
  EXPECT_EQ(target.pixels[0], 254);
  EXPECT_EQ(target.pixels[8 * 3 * 3], 0);
}

TEST(DirectDraw, Rgb565PresentsConvertedPixels) {
  MemoryTarget target(kRgb565 | kBgr24);
  CDirectDraw display;
  display.SetWindow(&target.target);
  ASSERT_TRUE(display.SetUp(6, 2));
  const Planes p(6, 2, 128, 128, 255);
  ASSERT_EQ(DrawPlanes(display, p), 0);
  EXPECT_EQ(target.last.format, BR_PIXFMT_RGB565);
  EXPECT_EQ(target.last.stride[0], 12);
  for (int i = 0; i < 12; ++i) {
    std::uint16_t pixel = 0;
    std::memcpy(&pixel, target.pixels.data() + i * 2, 2);
    EXPECT_EQ(pixel, YuvToRgb565(128, 128, 255));
  }
}

TEST(DirectDraw, TextIsCutTo63Characters) {
  CDirectDraw display;
  display.SetText(std::string(70, 'A'), 0);
  EXPECT_EQ(display.text(), std::string(63, 'A'));
  display.SetText("", 0);
  EXPECT_EQ(display.text(), "");
  EXPECT_EQ(display.MeasureText(704, 576).width, 0);
}

TEST(DirectDraw, TextInCornerThreeOf704x576) {
  CDirectDraw display;
  display.SetText("12:34:56 CH1", 3);
  const CDirectDraw::TextBox box = display.MeasureText(704, 576);
  ASSERT_GT(box.width, 0) << "no font found through fontconfig";
  ASSERT_GT(box.height, 0);
  EXPECT_EQ(box.x, 704 - box.width - 5);
  EXPECT_EQ(box.y, 576 - box.height - 5);
}

TEST(DirectDraw, I420TextGoesIntoOverlayOnly) {
  MemoryTarget target(kI420);
  CDirectDraw display;
  display.SetWindow(&target.target);
  ASSERT_TRUE(display.SetUp(128, 64));
  display.SetText("Hello", 1);
  const Planes p(128, 64, 16, 128, 128);
  ASSERT_EQ(DrawPlanes(display, p), 0);
  ASSERT_NE(target.last.overlay, nullptr);
  ASSERT_EQ(target.overlay.size(), 128u * 64u * 4u);
  const CDirectDraw::TextBox box = display.MeasureText(128, 64);
  ASSERT_GT(box.width, 0);
  int lit = 0;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 128; ++x) {
      const std::uint8_t* px = target.overlay.data() + (y * 128 + x) * 4;
      const bool inside = x >= box.x && x < box.x + box.width && y >= box.y && y < box.y + box.height;
      if (!inside) {
        ASSERT_EQ(px[3], 0) << x << "," << y;
      } else if (px[3] > 0) {
        ++lit;
        EXPECT_EQ(px[0], 255);
        EXPECT_EQ(px[1], 255);
        EXPECT_EQ(px[2], 255);
      }
    }
  }
  EXPECT_GT(lit, 20);
  // The picture itself is untouched.
  EXPECT_EQ(target.last.plane[0], p.y.data());

  display.SetText("", 1);
  ASSERT_EQ(DrawPlanes(display, p), 0);
  EXPECT_EQ(target.last.overlay, nullptr);
}

TEST(DirectDraw, Bgr24TextIsWhiteInItsCorner) {
  MemoryTarget target(kBgr24);
  CDirectDraw display;
  display.SetWindow(&target.target);
  ASSERT_TRUE(display.SetUp(200, 100));
  display.SetText("WWW", 2);
  const Planes p(200, 100, 16, 128, 128);
  ASSERT_EQ(DrawPlanes(display, p), 0);
  const CDirectDraw::TextBox box = display.MeasureText(200, 100);
  ASSERT_GT(box.width, 0);
  EXPECT_EQ(box.x, 5);
  EXPECT_EQ(box.y, 100 - box.height - 5);
  int white = 0;
  int outside = 0;
  for (int y = 0; y < 100; ++y) {
    for (int x = 0; x < 200; ++x) {
      const std::uint8_t* px = target.pixels.data() + (y * 200 + x) * 3;
      const bool inside = x >= box.x && x < box.x + box.width && y >= box.y && y < box.y + box.height;
      if (px[0] == 255 && px[1] == 255 && px[2] == 255) ++white;
      if (!inside && px[0] != 0) ++outside;
    }
  }
  EXPECT_GT(white, 10);
  EXPECT_EQ(outside, 0);
}

}  // namespace
}  // namespace brisca
