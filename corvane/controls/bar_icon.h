#pragma once

#include <QColor>
#include <QIcon>

// Pictures of the control bar's buttons: the desktop's icon theme where it
// has one by its freedesktop name, the program's own drawing otherwise
// (and for the pictures no theme names).
enum class BarIcon {
  kPlay, kPause, kStop, kRewind, kFast, kSlow, kPrevious, kNext, kStepBack, kStepForward,
  kFullScreen, kTelemetry, kSplit1, kSplit4, kSplit9, kCapture, kConvertAvi,
  kSoundOn, kSoundOff, kWatermarkOn, kWatermarkOff,
};

// `ink` colours the program's own drawing, to suit the bar's theme.
QIcon BarIconFor(BarIcon icon, const QColor& ink);

// The program's own drawing of `icon`, `side` pixels square.
QPixmap OwnBarPicture(BarIcon icon, int side, const QColor& ink);
