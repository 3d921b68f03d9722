#include "corvane/playback/control_bar_layout.h"

namespace {

constexpr int kButtonSide = 25;
constexpr int kPictureSide = 22;
constexpr int kTimeTextWidth = 95;

}  // namespace

ControlBarLayout LayoutControlBar(int left, int top, int width) {
  ControlBarLayout layout;
  const int g = width < 1000 ? 7 : 32;
  // The time text ends the slider's row: the button row has no room for
  // it on bars narrower than the widest screens.
  layout.progress = QRect(left - 6, top + 1, width + 14 - kTimeTextWidth - 10, 20);
  layout.timeText = QRect(left + width - kTimeTextWidth, top + 1, kTimeTextWidth - 2, 20);

  int x = left + 3;
  for (QRect& button : layout.buttons) {
    button = QRect(x, top + 22, kButtonSide, kButtonSide);
    x += kButtonSide + g / 2;
  }
  const int afterButtons = layout.buttons.back().x() + kButtonSide;
  const int rateGap = width < 640 ? g + 3 : (width <= 1000 ? g / 2 : g);
  layout.rateText = QRect(afterButtons + rateGap, top + 24, 40, 21);

  const int right = left + width;
  const int gap = (g - 2) / 2;
  layout.volume = QRect(right - 105, top + 24, 100, 20);
  layout.sound = QRect(right - 122, top + 26, 12, 12);
  layout.opacity = QRect(right - gap - 222, top + 24, 100, 20);
  layout.watermark = QRect(layout.opacity.x() - 27, top + 24, kPictureSide, kPictureSide);
  int pictureX = layout.watermark.x();
  for (QRect& picture : layout.pictures) {
    pictureX -= gap + kPictureSide;
    picture = QRect(pictureX, top + 24, kPictureSide, kPictureSide);
  }
  return layout;
}
