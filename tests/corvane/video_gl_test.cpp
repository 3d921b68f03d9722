// The OpenGL face of a video window converts a 4:2:0 picture as the
// library's own BGR24 conversion does and lays the overlay over it by its
// alpha. Runs under Xvfb with Mesa's OpenGL (CORVANE_VIDEO=gl).
#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <QTest>

#include <algorithm>
#include <vector>

#include "corvane/playback/video_path.h"
#include "corvane/playback/video_static.h"

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;

// BT.601 studio range in the library's 13-bit fixed point.
QRgb Reference(int y, int u, int v) {
  const auto clamp = [](int c) { return std::clamp(c, 0, 255); };
  const int luma = 9535 * (y - 16);
  u -= 128;
  v -= 128;
  return qRgb(clamp((luma + 13074 * v) >> 13), clamp((luma - 6660 * v - 3203 * u) >> 13),
              clamp((luma + 16531 * u) >> 13));
}

int Distance(QRgb a, QRgb b) {
  return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

TEST(VideoGl, ConvertsAsTheLibraryAndBlendsTheOverlay) {
  ASSERT_EQ(ChosenVideoPath(), VideoPath::kOpenGl);
  CVideoStatic surface(0, 0, nullptr);
  surface.resize(kWidth, kHeight);
  surface.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&surface));

  // Four quadrants of their own colour; the overlay is opaque white over
  // the top left quarter of the top left quadrant and clear elsewhere.
  struct Colour {
    int y, u, v;
  };
  const Colour quadrants[4] = {{81, 90, 240}, {145, 54, 34}, {41, 240, 110}, {200, 128, 128}};
  std::vector<uint8_t> y(kWidth * kHeight), u(kWidth * kHeight / 4), v(kWidth * kHeight / 4);
  std::vector<uint8_t> overlay(kWidth * kHeight * 4, 0);
  const auto quadrant = [](int col, int row) { return (col >= kWidth / 2) + 2 * (row >= kHeight / 2); };
  for (int row = 0; row < kHeight; ++row) {
    for (int col = 0; col < kWidth; ++col) {
      y[static_cast<size_t>(row * kWidth + col)] = static_cast<uint8_t>(quadrants[quadrant(col, row)].y);
      if (col < kWidth / 4 && row < kHeight / 4) std::fill_n(&overlay[static_cast<size_t>(row * kWidth + col) * 4], 4, 255);
    }
  }
  for (int row = 0; row < kHeight / 2; ++row) {
    for (int col = 0; col < kWidth / 2; ++col) {
      const Colour& c = quadrants[quadrant(col * 2, row * 2)];
      u[static_cast<size_t>(row * kWidth / 2 + col)] = static_cast<uint8_t>(c.u);
      v[static_cast<size_t>(row * kWidth / 2 + col)] = static_cast<uint8_t>(c.v);
    }
  }
  BR_PICTURE picture{};
  picture.format = BR_PIXFMT_I420;
  picture.width = kWidth;
  picture.height = kHeight;
  picture.plane[0] = y.data();
  picture.plane[1] = u.data();
  picture.plane[2] = v.data();
  picture.stride[0] = kWidth;
  picture.stride[1] = picture.stride[2] = kWidth / 2;
  picture.overlay = overlay.data();
  BR_VIDEO_TARGET* target = surface.target();
  target->present(target, &picture);
  QTRY_COMPARE_WITH_TIMEOUT(surface.paintedPictures(), uint64_t{1}, 5000);
  QTest::qWait(200);

  const QImage shot = surface.screen()->grabWindow(surface.winId()).toImage();
  ASSERT_EQ(shot.size(), QSize(kWidth, kHeight));
  // Away from the edges, where the scaling filter mixes neighbours.
  const QPoint inside[4] = {{20, 16}, {48, 12}, {16, 36}, {48, 36}};
  for (int q = 0; q < 4; ++q) {
    const QRgb expected = Reference(quadrants[q].y, quadrants[q].u, quadrants[q].v);
    EXPECT_LE(Distance(shot.pixel(inside[q]), expected), 2) << q << ": " << std::hex << shot.pixel(inside[q]);
  }
  EXPECT_LE(Distance(shot.pixel(5, 4), qRgb(255, 255, 255)), 2);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("CORVANE_VIDEO", "gl");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
