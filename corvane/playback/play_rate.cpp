#include "corvane/playback/play_rate.h"

#include <algorithm>

QString RateText(int level, bool reverse) {
  if (reverse) return QString::asprintf("-%dX", 1 << -std::min(level, 0));
  if (level < 0) return QString::asprintf("1/%dX", 1 << -level);
  return QString::asprintf("%dX", 1 << level);
}

void PlayRate::Started() {
  state_ = PlayState::kPlaying;
  paused_ = false;
  level_ = 0;
  Show();
}

void PlayRate::Stopped() {
  state_ = PlayState::kStopped;
  paused_ = false;
  if (reverse_) {
    level_ = 0;
    reverse_ = false;
  }
  label_ = RateLabel::kStop;
}

void PlayRate::Resume(RateSink& sink) {
  if (!paused_) return;
  sink.Pause(false);
  paused_ = false;
}

void PlayRate::Play(RateSink& sink) {
  if (state_ == PlayState::kPlaying) return;
  // After a pause, a step or a scrub the picture on screen is where play
  // goes on; from fast, slow or rewind the position has run away from the
  // last one reported.
  const bool held = state_ == PlayState::kPaused || state_ == PlayState::kStepForward ||
                    state_ == PlayState::kStepBack;
  sink.SetPlayRate(0, false);
  reverse_ = false;
  level_ = 0;
  sink.Pause(false);
  paused_ = false;
  state_ = PlayState::kPlaying;
  if (!held) positionReset_ = true;
  Show();
}

void PlayRate::Pause(RateSink& sink) {
  if (paused_) return;
  sink.Pause(true);
  paused_ = true;
  state_ = PlayState::kPaused;
  label_ = RateLabel::kPause;
}

void PlayRate::Fast(RateSink& sink) {
  Resume(sink);
  if (reverse_) {
    // Backward slows down towards forward 1X; the library is held while
    // the direction turns.
    ++level_;
    if (level_ >= 0) {
      level_ = 0;
      sink.Pause(true);
      paused_ = true;
      reverse_ = false;
    }
    sink.SetPlayRate(level_, reverse_);
    Resume(sink);
  } else if (level_ < kFastest) {
    ++level_;
    sink.SetPlayRate(level_, false);
  }
  state_ = PlayState::kFast;
  Show();
}

void PlayRate::Slow(RateSink& sink) {
  Resume(sink);
  if (reverse_) {
    sink.Pause(true);
    paused_ = true;
    reverse_ = false;
    level_ = 0;
  }
  if (level_ > kSlowest) {
    --level_;
    sink.SetPlayRate(level_, reverse_);
    Resume(sink);
  }
  state_ = PlayState::kSlowOrRewind;
  Show();
}

void PlayRate::Rewind(RateSink& sink) {
  Resume(sink);
  if (!reverse_) {
    reverse_ = true;
    level_ = 0;
  }
  if (level_ > kFastestBack) {
    --level_;
    sink.SetPlayRate(level_, true);
  }
  state_ = PlayState::kSlowOrRewind;
  Show();
}

void PlayRate::Step(RateSink& sink, bool back) {
  reverse_ = back;
  sink.SetPlayRate(level_, reverse_);
  sink.PlayOneByOne();
  state_ = back ? PlayState::kStepBack : PlayState::kStepForward;
}
