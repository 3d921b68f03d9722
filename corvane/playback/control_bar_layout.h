#pragma once

#include <QRect>

#include <array>

// Places of the control bar's controls for a bar `width` pixels wide whose
// client area starts at (left, top): the progress slider and the time text
// across the top, the steering buttons from the left, the pictures and
// sliders from the right. Gaps widen on bars of 1000 pixels or more.

// The steering buttons, left to right.
enum class BarButton { kPlay, kPause, kStop, kRewind, kFast, kSlow, kPrevious, kNext, kStepBack, kStepForward };
inline constexpr int kBarButtons = 10;

// The pictures placed leftwards of the watermark switch, right to left.
enum class BarPicture { kConvertAvi, kCapture, kTelemetry, kFullScreen, kSplit9, kSplit4, kSplit1 };
inline constexpr int kBarPictures = 7;

struct ControlBarLayout {
  QRect progress;
  std::array<QRect, kBarButtons> buttons;
  QRect rateText;
  QRect timeText;
  QRect volume;
  QRect sound;
  QRect opacity;
  QRect watermark;
  std::array<QRect, kBarPictures> pictures;
};

ControlBarLayout LayoutControlBar(int left, int top, int width);
