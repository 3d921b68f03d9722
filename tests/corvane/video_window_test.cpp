// A video window as its channel's presentation target: pictures presented
// on another thread reach the screen, newest only, with their aspect ratio.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include <thread>
#include <vector>

#include "corvane/app/app_context.h"
#include "corvane/app/player_settings.h"
#include "corvane/playback/dlg_play_back.h"
#include "corvane/playback/dlg_video.h"
#include "corvane/playback/video_static.h"

namespace {

// One solid BGR24 picture, presented from a thread of its own as a channel
// worker would; rows padded past the picture's width.
void PresentSolid(CVideoStatic& surface, int width, int height, QColor colour, int count = 1) {
  const int stride = width * 3 + 5;
  std::vector<unsigned char> pixels(static_cast<size_t>(stride * height));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      unsigned char* p = &pixels[static_cast<size_t>(y * stride + x * 3)];
      p[0] = static_cast<unsigned char>(colour.blue());
      p[1] = static_cast<unsigned char>(colour.green());
      p[2] = static_cast<unsigned char>(colour.red());
    }
  }
  BR_PICTURE picture{};
  picture.format = BR_PIXFMT_BGR24;
  picture.width = width;
  picture.height = height;
  picture.plane[0] = pixels.data();
  picture.stride[0] = stride;
  BR_VIDEO_TARGET* target = surface.target();
  std::thread worker([&] {
    for (int i = 0; i < count; ++i) target->present(target, &picture);
  });
  worker.join();
}

TEST(VideoWindow, PresentedPicturesReachTheScreenNewestOnlyWithTheirAspect) {
  const StringTable table = StringTable::FromResource();
  AppContext context(table);
  CDlgVideo window(2, context, 1, nullptr);
  window.resize(404, 154);
  window.show();
  CVideoStatic& surface = *window.surface();
  ASSERT_EQ(surface.geometry(), QRect(2, 2, 400, 150));

  // Idle: the caption in white at the top, on the theme's colour.
  QImage shot = surface.grab().toImage();
  EXPECT_EQ(shot.pixelColor(5, 140), QColor(Qt::black));
  int white = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 150; x < 250; ++x) white += shot.pixelColor(x, y) == QColor(Qt::white);
  EXPECT_GT(white, 0);

  // Three pictures before the window runs: one repaint, the newest shown.
  PresentSolid(surface, 40, 30, Qt::red);
  PresentSolid(surface, 40, 30, Qt::green, 2);
  QTRY_COMPARE(surface.paintedPictures(), 1u);
  EXPECT_EQ(surface.slot().presented(), 3u);
  EXPECT_EQ(surface.slot().dropped(), 2u);
  shot = surface.grab().toImage();
  EXPECT_EQ(shot.pixelColor(200, 75), QColor(Qt::green));
  // 4:3 in 400x150: 200 wide, centred, black beside it.
  EXPECT_EQ(FitPicture({40, 30}, surface.rect()), QRect(100, 0, 200, 150));
  EXPECT_EQ(shot.pixelColor(50, 75), QColor(Qt::black));

  // An impossible picture is refused; Clear brings the caption back.
  BR_PICTURE huge{};
  huge.format = BR_PIXFMT_BGR24;
  huge.width = 100000;
  huge.height = 1;
  surface.target()->present(surface.target(), &huge);
  EXPECT_EQ(surface.slot().presented(), 3u);
  surface.Clear();
  shot = surface.grab().toImage();
  EXPECT_EQ(shot.pixelColor(200, 140), QColor(Qt::black));

  // Clicks select and toggle the window by its index.
  QSignalSpy select(&window, &CDlgVideo::selectRequested);
  QSignalSpy toggle(&window, &CDlgVideo::toggleRequested);
  QTest::mouseClick(&surface, Qt::LeftButton);
  QTest::mouseDClick(&surface, Qt::LeftButton);
  ASSERT_GE(select.count(), 1);
  EXPECT_EQ(select.first().first().toInt(), 2);
  ASSERT_EQ(toggle.count(), 1);
  window.SetSelected(true);
  EXPECT_EQ(window.grab().toImage().pixelColor(0, 0), QColor(255, 0, 0));
}

TEST(VideoWindow, PageTogglesAWindowAloneAndBackToItsGrid) {
  const StringTable table = StringTable::FromResource();
  AppContext context(table);
  PlayerSettings settings;
  settings.viewMode = 4;
  CDlgPlayBack page(settings, context, nullptr);
  page.resize(800, 650);
  page.show();
  auto visible = [&] {
    std::vector<int> shown;
    for (int i = 0; i < 8; ++i)
      if (page.videoWindow(i)->isVisible()) shown.push_back(i);
    return shown;
  };
  EXPECT_EQ(visible(), (std::vector<int>{0, 1, 2, 3}));
  QTest::mouseDClick(page.videoWindow(1)->surface(), Qt::LeftButton);
  EXPECT_EQ(visible(), (std::vector<int>{1}));
  EXPECT_EQ(page.videoWindow(1)->geometry(), QRect(0, 0, 800, 600));
  QTest::mouseDClick(page.videoWindow(1)->surface(), Qt::LeftButton);
  EXPECT_EQ(visible(), (std::vector<int>{0, 1, 2, 3}));
  EXPECT_TRUE(page.videoWindow(1)->selected());
  EXPECT_FALSE(page.videoWindow(0)->selected());
}

}  // namespace
