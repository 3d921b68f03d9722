// The figures `brisca play` reports for one channel, computed from the
// pictures its presentation target was handed and the video frames its
// recording holds. Plain functions, so that the arithmetic is kept apart
// from the threads that collect the pictures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace brisca::tools {

// A picture with a timestamp other than the one shown before it, and when
// its present call began (steady clock, ms).
struct ShownPicture {
  uint64_t timestamp = 0;
  double tick_ms = 0;
};

inline constexpr double kOnTimeMs = 10;

struct ChannelFigures {
  size_t shown = 0;
  // Frames of the played span that were never shown. The span runs between
  // the first and last timestamps shown; it reaches back to the
  // recording's first frame when playing forward (play starts there), and
  // to the end the channel was playing toward once it reported that end.
  size_t dropped = 0;
  // Shown timestamps that no video frame of the recording carries.
  size_t not_in_recording = 0;
  double mean_interval_ms = 0;  // 0 with fewer than two pictures

  // Due-time figures, at normal speed only. A channel's frames follow one
  // schedule: a frame stamped t is due at schedule_ms + t going forward
  // (schedule_ms - t backward), where schedule_ms is the median over the
  // channel's pictures of shown time minus timestamp. The deviations are
  // the pacing's jitter; schedule_ms against the synchronising channel's
  // tells how far the channel runs from it.
  bool timed = false;
  double schedule_ms = 0;
  double worst_deviation_ms = 0;  // largest |shown - due|
  size_t on_time = 0;             // within kOnTimeMs of due
  size_t late = 0;                // more than kOnTimeMs after due
  size_t early = 0;               // more than kOnTimeMs before due
};

// `frames`: the recording's video timestamps, ascending and distinct.
ChannelFigures ComputeFigures(const std::vector<ShownPicture>& shown,
                              const std::vector<uint64_t>& frames, bool reverse, bool ended,
                              bool timed);

}  // namespace brisca::tools
