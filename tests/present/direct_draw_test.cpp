#include "brisca/present/direct_draw.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "brisca/present/color_tables.h"
#include "brisca/present/osd_text.h"
#include "brisca/present/watermark.h"
#include "brisca/testing/memory_target.h"
#include "present_test_support.h"

namespace brisca {
namespace {

using testing::MemoryTarget;
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
    MemoryTarget target({.formats = c.formats, .keep_pixels = true});
    CDirectDraw display;
    display.SetWindow(target.target());
    ASSERT_TRUE(display.SetUp(16, 8));
    EXPECT_EQ(display.mode(), c.mode) << c.formats;
    EXPECT_TRUE(display.ready());
  }
}

TEST(DirectDraw, NewTargetChoosesModeAgain) {
  MemoryTarget yuv({.formats = kI420, .keep_pixels = true});
  MemoryTarget rgb({.formats = kRgb565, .keep_pixels = true});
  CDirectDraw display;
  display.SetWindow(yuv.target());
  ASSERT_TRUE(display.SetUp(16, 8));
  display.SetWindow(rgb.target());
  EXPECT_EQ(display.mode(), CDirectDraw::kModeRgb565);
  const Planes p(16, 8, 128, 128, 128);
  EXPECT_EQ(DrawPlanes(display, p), 0);
  EXPECT_EQ(rgb.last().format, BR_PIXFMT_RGB565);
}

TEST(DirectDraw, DrawBeforeSetUpOrWithoutTargetFails) {
  MemoryTarget target({.formats = kBgr24, .keep_pixels = true});
  const Planes p(16, 8, 128, 128, 128);
  CDirectDraw display;
  display.SetWindow(target.target());
  EXPECT_EQ(DrawPlanes(display, p), -1);

  CDirectDraw no_target;
  ASSERT_TRUE(no_target.SetUp(16, 8));
  EXPECT_EQ(DrawPlanes(no_target, p), -1);

  ASSERT_TRUE(display.SetUp(16, 8));
  display.Release();
  EXPECT_FALSE(display.ready());
  EXPECT_EQ(DrawPlanes(display, p), -1);
  EXPECT_EQ(target.presents(), 0u);
}

TEST(DirectDraw, RejectsBadSizesAndStrides) {
  MemoryTarget target({.formats = kBgr24, .keep_pixels = true});
  CDirectDraw display;
  display.SetWindow(target.target());
  EXPECT_FALSE(display.SetUp(0, 8));
  EXPECT_FALSE(display.SetUp(16, -1));
  EXPECT_FALSE(display.SetUp(kDisplayMaxSide + 1, 8));
  EXPECT_FALSE(display.ready());
  ASSERT_TRUE(display.SetUp(16, 8));
  const Planes p(16, 8, 128, 128, 128);
  EXPECT_EQ(display.Draw(p.y.data(), 15, p.u.data(), p.v.data(), 8), -1);
  EXPECT_EQ(display.Draw(p.y.data(), 16, p.u.data(), p.v.data(), 7), -1);
  EXPECT_EQ(display.Draw(nullptr, 16, p.u.data(), p.v.data(), 8), -1);
  EXPECT_EQ(target.presents(), 0u);
}

TEST(DirectDraw, I420PresentsPlanesAsTheyAreWithoutOverlay) {
  MemoryTarget target({.formats = kI420 | kBgr24, .keep_pixels = true});
  CDirectDraw display;
  display.SetWindow(target.target());
  ASSERT_TRUE(display.SetUp(32, 16));
  const Planes p(40, 16, 100, 110, 120);  // rows longer than the picture
  ASSERT_EQ(display.Draw(p.y.data(), 40, p.u.data(), p.v.data(), 20), 0);
  ASSERT_EQ(target.presents(), 1u);
  EXPECT_EQ(target.last().format, BR_PIXFMT_I420);
  EXPECT_EQ(target.last().width, 32);
  EXPECT_EQ(target.last().height, 16);
  EXPECT_EQ(target.last().plane[0], p.y.data());
  EXPECT_EQ(target.last().plane[1], p.u.data());
  EXPECT_EQ(target.last().plane[2], p.v.data());
  EXPECT_EQ(target.last().stride[0], 40);
  EXPECT_EQ(target.last().stride[1], 20);
  EXPECT_EQ(target.last().stride[2], 20);
  EXPECT_EQ(target.last().overlay, nullptr);
}

TEST(DirectDraw, Bgr24PresentsConvertedRowsTopFirst) {
  MemoryTarget target({.formats = kBgr24, .keep_pixels = true});
  CDirectDraw display;
  display.SetWindow(target.target());
  ASSERT_TRUE(display.SetUp(8, 4));
  Planes p(8, 4, 235, 128, 128);
  std::fill(p.y.begin() + 8 * 3, p.y.end(), 16);  // bottom row black
  ASSERT_EQ(DrawPlanes(display, p), 0);
  EXPECT_EQ(target.last().format, BR_PIXFMT_BGR24);
  EXPECT_EQ(target.last().stride[0], 8 * 3);
  EXPECT_EQ(target.last().overlay, nullptr);
  ASSERT_EQ(target.pixels().size(), 8u * 4u * 3u);
  EXPECT_EQ(target.pixels()[0], 254);
  EXPECT_EQ(target.pixels()[8 * 3 * 3], 0);
}

TEST(DirectDraw, Rgb565PresentsConvertedPixels) {
  MemoryTarget target({.formats = kRgb565 | kBgr24, .keep_pixels = true});
  CDirectDraw display;
  display.SetWindow(target.target());
  ASSERT_TRUE(display.SetUp(6, 2));
  const Planes p(6, 2, 128, 128, 255);
  ASSERT_EQ(DrawPlanes(display, p), 0);
  EXPECT_EQ(target.last().format, BR_PIXFMT_RGB565);
  EXPECT_EQ(target.last().stride[0], 12);
  const std::vector<std::uint8_t> pixels = target.pixels();
  for (int i = 0; i < 12; ++i) {
    std::uint16_t pixel = 0;
    std::memcpy(&pixel, pixels.data() + i * 2, 2);
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
  MemoryTarget target({.formats = kI420, .keep_pixels = true});
  CDirectDraw display;
  display.SetWindow(target.target());
  ASSERT_TRUE(display.SetUp(128, 64));
  display.SetText("Hello", 1);
  const Planes p(128, 64, 16, 128, 128);
  ASSERT_EQ(DrawPlanes(display, p), 0);
  ASSERT_NE(target.last().overlay, nullptr);
  const std::vector<std::uint8_t> overlay = target.overlay();
  ASSERT_EQ(overlay.size(), 128u * 64u * 4u);
  const CDirectDraw::TextBox box = display.MeasureText(128, 64);
  ASSERT_GT(box.width, 0);
  int lit = 0;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 128; ++x) {
      const std::uint8_t* px = overlay.data() + (y * 128 + x) * 4;
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
  EXPECT_EQ(target.last().plane[0], p.y.data());

  display.SetText("", 1);
  ASSERT_EQ(DrawPlanes(display, p), 0);
  EXPECT_EQ(target.last().overlay, nullptr);
}

TEST(DirectDraw, Bgr24TextIsWhiteInItsCorner) {
  MemoryTarget target({.formats = kBgr24, .keep_pixels = true});
  CDirectDraw display;
  display.SetWindow(target.target());
  ASSERT_TRUE(display.SetUp(200, 100));
  display.SetText("WWW", 2);
  const Planes p(200, 100, 16, 128, 128);
  ASSERT_EQ(DrawPlanes(display, p), 0);
  const CDirectDraw::TextBox box = display.MeasureText(200, 100);
  ASSERT_GT(box.width, 0);
  EXPECT_EQ(box.x, 5);
  EXPECT_EQ(box.y, 100 - box.height - 5);
  const std::vector<std::uint8_t> pixels = target.pixels();
  int white = 0;
  int outside = 0;
  for (int y = 0; y < 100; ++y) {
    for (int x = 0; x < 200; ++x) {
      const std::uint8_t* px = pixels.data() + (y * 200 + x) * 3;
      const bool inside = x >= box.x && x < box.x + box.width && y >= box.y && y < box.y + box.height;
      if (px[0] == 255 && px[1] == 255 && px[2] == 255) ++white;
      if (!inside && px[0] != 0) ++outside;
    }
  }
  EXPECT_GT(white, 10);
  EXPECT_EQ(outside, 0);
}

// What is on the picture: text and corner, which watermark file (0: a file
// that does not exist), and the watermark's flag and alpha.
struct Look {
  std::string text;
  int corner;
  int mark;
  bool enable;
  int alpha;
};

// The composition drawn pixel by pixel, the way the display has always done
// it; the display must match it byte for byte, however it gets there.
class ReferenceComposer {
 public:
  ReferenceComposer(const Look& look, const std::string& mark_path, int width, int height)
      : width_(width), height_(height), opacity_(WatermarkOpacity(look.alpha)) {
    const std::string text = CutOsdText(look.text);
    wanted_ = !text.empty() || look.enable;
    if (!text.empty()) mask_ = OsdTextRenderer().Render(text);
    at_ = PlaceText(look.corner, width, height, mask_.width, mask_.height);
    if (look.enable) mark_ = ScaleBitmap(LoadWatermarkPng(mark_path), width, height);
  }

  bool text_drawn() const { return mask_.width > 0; }

  // get(x, y, bgr) and put(x, y, bgr) read and write one pixel.
  template <typename Get, typename Put>
  void Compose(Get get, Put put) const {
    int bgr[3];
    for (int my = 0; my < mask_.height; ++my) {
      for (int mx = 0; mx < mask_.width; ++mx) {
        const int x = at_.x + mx;
        const int y = at_.y + my;
        const int coverage = Coverage(mx, my);
        if (x < 0 || y < 0 || x >= width_ || y >= height_ || coverage == 0) continue;
        get(x, y, bgr);
        for (int& c : bgr) c = BlendChannel(255, c, coverage);
        put(x, y, bgr);
      }
    }
    if (mark_.empty()) return;
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) {
        get(x, y, bgr);
        for (int c = 0; c < 3; ++c) bgr[c] = BlendChannel(Mark(x, y, c), bgr[c], opacity_);
        put(x, y, bgr);
      }
    }
  }

  std::vector<std::uint8_t> Bgr24(const Planes& p) const {
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(width_) * height_ * 3);
    I420ToBgr24(View(p), rows.data(), width_ * 3);
    auto at = [&](int x, int y) { return rows.data() + (static_cast<std::size_t>(y) * width_ + x) * 3; };
    Compose([&](int x, int y, int* bgr) { std::copy(at(x, y), at(x, y) + 3, bgr); },
            [&](int x, int y, const int* bgr) { std::copy(bgr, bgr + 3, at(x, y)); });
    return rows;
  }

  std::vector<std::uint8_t> Rgb565(const Planes& p) const {
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(width_) * height_ * 2);
    I420ToRgb565(View(p), rows.data(), width_ * 2);
    auto at = [&](int x, int y) { return rows.data() + (static_cast<std::size_t>(y) * width_ + x) * 2; };
    Compose(
        [&](int x, int y, int* bgr) {
          std::uint16_t pixel;
          std::memcpy(&pixel, at(x, y), 2);
          const int r = pixel >> 11, g = (pixel >> 5) & 0x3F, b = pixel & 0x1F;
          bgr[0] = (b << 3) | (b >> 2);
          bgr[1] = (g << 2) | (g >> 4);
          bgr[2] = (r << 3) | (r >> 2);
        },
        [&](int x, int y, const int* bgr) {
          const auto pixel = static_cast<std::uint16_t>(((bgr[2] >> 3) << 11) | ((bgr[1] >> 2) << 5) | (bgr[0] >> 3));
          std::memcpy(at(x, y), &pixel, 2);
        });
    return rows;
  }

  // Mode 1's straight-alpha layer: white text with its coverage as alpha,
  // the watermark composed over it source-over. Empty when none is handed.
  std::vector<std::uint8_t> Overlay() const {
    if (!wanted_) return {};
    std::vector<std::uint8_t> layer(static_cast<std::size_t>(width_) * height_ * 4, 0);
    for (int my = 0; my < mask_.height; ++my) {
      for (int mx = 0; mx < mask_.width; ++mx) {
        const int x = at_.x + mx;
        const int y = at_.y + my;
        if (x < 0 || y < 0 || x >= width_ || y >= height_) continue;
        std::uint8_t* p = &layer[(static_cast<std::size_t>(y) * width_ + x) * 4];
        p[0] = p[1] = p[2] = 255;
        p[3] = static_cast<std::uint8_t>(Coverage(mx, my));
      }
    }
    if (mark_.empty()) return layer;
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) {
        std::uint8_t* p = &layer[(static_cast<std::size_t>(y) * width_ + x) * 4];
        const int under = p[3] * (255 - opacity_);
        const int total = opacity_ * 255 + under;
        if (total == 0) continue;
        for (int c = 0; c < 3; ++c) {
          p[c] = static_cast<std::uint8_t>((Mark(x, y, c) * opacity_ * 255 + p[c] * under + total / 2) / total);
        }
        p[3] = static_cast<std::uint8_t>((total + 127) / 255);
      }
    }
    return layer;
  }

 private:
  I420View View(const Planes& p) const {
    return {p.y.data(), p.u.data(), p.v.data(), p.width, p.c_stride(), width_, height_};
  }
  int Coverage(int mx, int my) const { return mask_.coverage[static_cast<std::size_t>(my) * mask_.width + mx]; }
  int Mark(int x, int y, int c) const { return mark_.pixels[(static_cast<std::size_t>(y) * width_ + x) * 3 + c]; }

  int width_;
  int height_;
  int opacity_;
  bool wanted_ = false;
  TextMask mask_;
  TextPosition at_;
  BgrBitmap mark_;
};

::testing::AssertionResult SameBytes(const std::vector<std::uint8_t>& got, const std::vector<std::uint8_t>& want) {
  if (got.size() != want.size()) {
    return ::testing::AssertionFailure() << got.size() << " bytes, expected " << want.size();
  }
  for (std::size_t i = 0; i < got.size(); ++i) {
    if (got[i] != want[i]) {
      return ::testing::AssertionFailure() << "byte " << i << " is " << int{got[i]} << ", expected " << int{want[i]};
    }
  }
  return ::testing::AssertionSuccess();
}

// A picture whose every sample differs from its neighbours.
Planes Pattern(int width, int height, int seed) {
  Planes p(width, height, 0, 0, 0);
  for (std::size_t i = 0; i < p.y.size(); ++i) p.y[i] = static_cast<std::uint8_t>(i * 37 + seed * 11);
  for (std::size_t i = 0; i < p.u.size(); ++i) p.u[i] = static_cast<std::uint8_t>(i * 53 + seed * 7);
  for (std::size_t i = 0; i < p.v.size(); ++i) p.v[i] = static_cast<std::uint8_t>(i * 19 + 200 - seed);
  return p;
}

// A directory of its own for the test's files, removed at the end.
struct TempDir {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() /
      ("direct_draw_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
       ::testing::UnitTest::GetInstance()->current_test_info()->name());
  TempDir() { std::filesystem::create_directories(path); }
  ~TempDir() { std::filesystem::remove_all(path); }
};

// Compares what the target was handed for `p` with the reference.
void ExpectPresented(unsigned formats, const MemoryTarget& target, const Planes& p,
                     const ReferenceComposer& reference) {
  if (formats == kI420) {
    EXPECT_EQ(target.last().plane[0], p.y.data());
    EXPECT_EQ(target.last().plane[1], p.u.data());
    EXPECT_EQ(target.last().plane[2], p.v.data());
    EXPECT_EQ(target.last().overlay != nullptr, !reference.Overlay().empty());
    EXPECT_TRUE(SameBytes(target.overlay(), reference.Overlay()));
  } else if (formats == kRgb565) {
    EXPECT_TRUE(SameBytes(target.pixels(), reference.Rgb565(p)));
  } else {
    EXPECT_TRUE(SameBytes(target.pixels(), reference.Bgr24(p)));
  }
}

// Writes a PNG with a colour and alpha gradient, smaller than the pictures
// so that it is scaled.
std::string WriteMark(const std::filesystem::path& path, int width, int height, int seed) {
  std::vector<std::uint8_t> rgba;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      rgba.insert(rgba.end(), {static_cast<std::uint8_t>(x * 23 + seed), static_cast<std::uint8_t>(y * 41),
                               static_cast<std::uint8_t>(255 - x * y - seed), static_cast<std::uint8_t>(x * 19 + y * 7)});
    }
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_RGBA;
  EXPECT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), 0, nullptr));
  return path.string();
}

TEST(DirectDraw, EveryPresentedByteMatchesTheReferenceAcrossChanges) {
  const TempDir dir;
  const std::string marks[] = {(dir.path / "missing.png").string(), WriteMark(dir.path / "a.png", 23, 11, 0),
                               WriteMark(dir.path / "b.png", 9, 30, 90)};
  const std::string clock = "12:34:56 CH1";
  const std::string wide(40, 'W');  // wider than the picture: clipped
  const struct {
    const char* name;
    std::vector<Look> looks;  // one picture each
  } cases[] = {
      {"text only", {{clock, 3, 0, false, 100}, {clock, 3, 0, false, 100}}},
      {"watermark only", {{"", 0, 1, true, 60}, {"", 0, 1, true, 60}}},
      {"both", {{clock, 1, 1, true, 100}, {clock, 1, 1, true, 100}}},
      {"alpha changes", {{clock, 2, 1, true, 100}, {clock, 2, 1, true, 35}, {clock, 2, 1, true, 0}}},
      {"text changes", {{"A", 0, 2, true, 50}, {wide, 2, 2, true, 50}, {"", 2, 2, true, 50}}},
      {"watermark replaced", {{clock, 0, 1, true, 80}, {clock, 0, 2, true, 80}, {clock, 0, 0, true, 80}}},
      {"enable toggled off", {{clock, 3, 1, true, 70}, {clock, 3, 1, false, 70}, {"", 3, 1, false, 70}}},
  };
  const int width = 133;
  const int height = 45;
  const int snapshot_width = 61;
  const int snapshot_height = 33;
  for (const unsigned formats : {kI420, kRgb565, kBgr24}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.name) + ", formats " + std::to_string(formats));
      MemoryTarget target({.formats = formats, .keep_pixels = true});
      CDirectDraw display;
      display.SetWindow(target.target());
      ASSERT_TRUE(display.SetUp(width, height));
      const Look* before = nullptr;
      int seed = 0;
      for (const Look& look : c.looks) {
        SCOPED_TRACE(seed);
        if (!before || before->text != look.text || before->corner != look.corner) {
          display.SetText(look.text, look.corner);
        }
        if (!before || before->mark != look.mark) {
          display.InitWatermark(marks[look.mark], look.enable, look.alpha);
        } else {
          if (before->enable != look.enable) display.EnableWatermark(look.enable);
          if (before->alpha != look.alpha) display.SetWatermarkAlpha(look.alpha);
        }
        before = &look;
        const Planes p = Pattern(width, height, seed++);
        ASSERT_EQ(DrawPlanes(display, p), 0);
        const ReferenceComposer reference(look, marks[look.mark], width, height);
        ASSERT_EQ(reference.text_drawn(), !look.text.empty()) << "no font found through fontconfig";
        ExpectPresented(formats, target, p, reference);

        // The snapshot writer composes other sizes, into rows with padding.
        for (const auto& [w, h] : {std::pair{width, height}, std::pair{snapshot_width, snapshot_height}}) {
          const Planes shot = Pattern(w, h, seed + 50);
          const int stride = w * 3 + 5;
          std::vector<std::uint8_t> rows(static_cast<std::size_t>(stride) * h, 0xA5);
          I420ToBgr24({shot.y.data(), shot.u.data(), shot.v.data(), w, shot.c_stride(), w, h}, rows.data(), stride);
          display.ComposeBgr24(rows.data(), stride, w, h);
          std::vector<std::uint8_t> packed;
          for (int y = 0; y < h; ++y) {
            EXPECT_EQ(rows[static_cast<std::size_t>(y) * stride + w * 3 + 4], 0xA5) << "padding of row " << y;
            packed.insert(packed.end(), rows.begin() + y * stride, rows.begin() + y * stride + w * 3);
          }
          EXPECT_TRUE(SameBytes(packed, ReferenceComposer(look, marks[look.mark], w, h).Bgr24(shot)));
        }
      }
    }
  }
}

// Settings and snapshots from another thread while the worker draws: no
// race (under TSan), and the picture after the last change shows it.
TEST(DirectDraw, ChangesFromAnotherThreadReachTheNextPicture) {
  const TempDir dir;
  const std::string mark = WriteMark(dir.path / "a.png", 23, 11, 0);
  const Look last{"end", 1, 1, true, 45};
  const int width = 64;
  const int height = 32;
  for (const unsigned formats : {kI420, kRgb565, kBgr24}) {
    MemoryTarget target({.formats = formats, .keep_pixels = true});
    CDirectDraw display;
    display.SetWindow(target.target());
    ASSERT_TRUE(display.SetUp(width, height));
    display.InitWatermark(mark, true, 100);
    std::thread settings([&] {
      std::vector<std::uint8_t> rows(static_cast<std::size_t>(width) * height * 3);
      for (int i = 0; i < 200; ++i) {
        display.SetText(std::to_string(i), i % 4);
        display.SetWatermarkAlpha(i % 101);
        display.EnableWatermark(i % 3 != 0);
        display.ComposeBgr24(rows.data(), width * 3, width, height);
      }
      display.SetText(last.text, last.corner);
      display.SetWatermarkAlpha(last.alpha);
      display.EnableWatermark(last.enable);
    });
    const Planes p = Pattern(width, height, 3);
    for (int i = 0; i < 200; ++i) ASSERT_EQ(DrawPlanes(display, p), 0);
    settings.join();
    ASSERT_EQ(DrawPlanes(display, p), 0);
    ExpectPresented(formats, target, p, ReferenceComposer(last, mark, width, height));
  }
}

}  // namespace
}  // namespace brisca
