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

}  // namespace
