#include <gtest/gtest.h>

#include "corvane/app/panel_layout.h"

namespace {

TEST(PanelLayout, ClientOf1900By1000) {
  const PanelLayout layout = ComputePanelLayout(0, 0, 1900, 1000);
  EXPECT_EQ(layout.search, (PanelRect{5, 30, 384, 105}));
  EXPECT_EQ(layout.fileList, (PanelRect{-6, 135, 395, 705}));
  EXPECT_EQ(layout.map, (PanelRect{1465, 30, 430, 810}));
  EXPECT_EQ(layout.playback, (PanelRect{391, 30, 1072, 810}));
  EXPECT_EQ(layout.scope, (PanelRect{391, 840, 1072, 143}));
  EXPECT_EQ(layout.scopeStrip, (PanelRect{391, 983, 1072, 17}));
  EXPECT_EQ(layout.streamInfo, (PanelRect{5, 840, 384, 160}));
  EXPECT_EQ(layout.speedometer, (PanelRect{1465, 842, 430, 298}));
}

TEST(PanelLayout, ColumnsTouchWithTwoPixelGaps) {
  for (const int right : {1366, 1920, 1024}) {
    const PanelLayout layout = ComputePanelLayout(0, 0, right, 700);
    EXPECT_EQ(layout.search.x + layout.search.width + 2, layout.playback.x);
    EXPECT_EQ(layout.playback.x + layout.playback.width + 2, layout.map.x);
    EXPECT_EQ(layout.scopeStrip.y + layout.scopeStrip.height, 700);
  }
}

TEST(PanelLayout, VideoAreaInFullScreenAndWithoutTelemetry) {
  // Without a frame the page keeps only the caption buttons' strip free;
  // with one it reaches over the frame.
  EXPECT_EQ(FullScreenRect(0, 0, 1920, 1080, 0, 0, 1920, 1920, 20), (PanelRect{0, 24, 1920, 1056}));
  EXPECT_EQ(FullScreenRect(100, 50, 1500, 950, 104, 80, 1496, 1920, 22), (PanelRect{-4, -4, 1928, 954}));
  EXPECT_EQ(WideVideoRect(0, 0, 1900, 1000, 2), (PanelRect{387, 0, 1511, 1000}));
  EXPECT_EQ(WideVideoRect(0, 0, 1900, 1000, 5), (PanelRect{387, 0, 1513, 1000}));
}

}  // namespace
