// The progress slider: a press puts the thumb under the pointer, holding it
// asks for the picture there every 50 ms, and the release asks to play on
// from where it was let go.
#include <gtest/gtest.h>

#include <QTest>

#include <utility>

#include "corvane/controls/pro_slider_ctrl.h"

namespace {

TEST(ProgressSlider, PressJumpsHoldScrubsReleaseSeeks) {
  QWidget root;
  auto* slider = new CProSliderCtrl(&root);
  slider->setGeometry(0, 0, 220, 20);
  slider->setRange(0, 60000);
  root.show();
  // 60000 ms over the 200 pixels of track: 300 ms a pixel from 8 pixels in,
  // clamped at both ends.
  for (const auto& [x, position] : {std::pair{8, 0}, {108, 30000}, {0, 0}, {218, 60000}, {500, 60000}})
    EXPECT_EQ(slider->PositionAt(x), position) << x;

  int scrubs = 0;
  int seeks = 0;
  QObject::connect(slider, &CProSliderCtrl::scrubRequested, [&] { ++scrubs; });
  QObject::connect(slider, &CProSliderCtrl::seekRequested, [&] { ++seeks; });
  QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(108, 10));
  EXPECT_TRUE(slider->dragging());
  EXPECT_EQ(slider->value(), 30000);
  QTRY_VERIFY_WITH_TIMEOUT(scrubs >= 2, 2000);
  QTest::mouseMove(slider, QPoint(158, 10));
  EXPECT_EQ(slider->value(), 45000);
  QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(158, 10));
  EXPECT_FALSE(slider->dragging());
  EXPECT_EQ(seeks, 1);
  const int held = scrubs;
  QTest::qWait(3 * CProSliderCtrl::kScrubMs);
  EXPECT_EQ(scrubs, held);
  EXPECT_EQ(slider->value(), 45000);
}

}  // namespace
