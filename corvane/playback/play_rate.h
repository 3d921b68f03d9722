#pragma once

#include <QString>

// The control bar's steering of an open decoder: play, pause, fast, slow,
// rewind and single steps, with the rate they leave and its text.

// What the steering asks of the library; the controller forwards these to
// the decoder handle it owns.
class RateSink {
 public:
  virtual ~RateSink() = default;
  virtual void SetPlayRate(int level, bool reverse) = 0;
  virtual void Pause(bool pause) = 0;
  virtual void PlayOneByOne() = 0;

 protected:
  RateSink() = default;
  RateSink(const RateSink&) = default;
  RateSink& operator=(const RateSink&) = default;
};

enum class PlayState {
  kStopped = 0,
  kPlaying = 1,
  kPaused = 2,  // also while the progress thumb is held
  kFast = 3,
  kSlowOrRewind = 4,
  kStepForward = 5,
  kStepBack = 6,
};

// The rate's text: 1X, 2X .. 256X, 1/2X .. 1/256X, or -2X .. -32X backward.
QString RateText(int level, bool reverse);

// What the rate text shows: a rate, or the words PAUSE or STOP.
enum class RateLabel { kRate, kPause, kStop };

// The rate state of one open decoder. Every operation assumes a decoder
// is open; the controller guards that. The levels are bounded: 256X fast,
// 1/256X slow, -32X backward.
class PlayRate {
 public:
  static constexpr int kFastest = 8;
  static constexpr int kSlowest = -8;
  static constexpr int kFastestBack = -5;

  // A fresh decoder plays forward at 1X.
  void Started();
  // Nothing open: STOP; a rewind does not survive it.
  void Stopped();

  void Play(RateSink& sink);
  void Pause(RateSink& sink);
  void Fast(RateSink& sink);
  void Slow(RateSink& sink);
  void Rewind(RateSink& sink);
  // One picture forward or back; the rate level is kept until Play.
  void Step(RateSink& sink, bool back);
  // The progress thumb held still: the picture under it.
  void Scrubbed() { state_ = PlayState::kPaused; }

  PlayState state() const { return state_; }
  bool paused() const { return paused_; }
  int level() const { return level_; }
  bool reverse() const { return reverse_; }
  RateLabel label() const { return label_; }
  QString text() const { return RateText(level_, reverse_); }
  // Set when playback starts again or the position jumps: the next
  // position is taken as it comes. Cleared by its reader.
  bool positionReset() const { return positionReset_; }
  void SetPositionReset(bool reset) { positionReset_ = reset; }

 private:
  void Resume(RateSink& sink);
  void Show() { label_ = RateLabel::kRate; }

  PlayState state_ = PlayState::kStopped;
  bool paused_ = false;
  int level_ = 0;
  bool reverse_ = false;
  bool positionReset_ = true;
  RateLabel label_ = RateLabel::kStop;
};
