// How far `brisca play`'s channels were from showing the same moment, and
// how many frames they gave up, from the pictures their targets received.
// Channels are compared on the wall clock: each recording's start time
// plus the time since its first frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "tools/brisca/play_figures.h"

namespace brisca::tools {

// Milliseconds since 1970-01-01 of a calendar time to the second; nothing
// for year 0 (a recording without a clock) or a time that is no time.
std::optional<int64_t> CalendarMs(unsigned year, unsigned month, unsigned day, unsigned hour,
                                  unsigned minute, unsigned second);

// A recording's timestamps on the wall clock. Without a start time the
// timestamps are taken as the wall clock themselves. Doubles, since
// timestamps come from the recording and may be anything.
struct WallClock {
  double start_ms = 0;  // of the first frame
  double first_timestamp = 0;

  static WallClock Of(std::optional<int64_t> start_ms, uint64_t first_timestamp);
  double Wall(uint64_t timestamp) const {
    return start_ms + (static_cast<double>(timestamp) - first_timestamp);
  }
};

struct ChannelTrack {
  std::vector<ShownPicture> shown;  // in arrival order
  std::vector<uint64_t> frames;     // the recording's, ascending
  WallClock clock;
};

// One picture of a follower, when it arrived and how far its moment lay
// from the nearer of the synchronising channel's pictures shown just
// before (or at) and just after that arrival.
struct SyncSample {
  double tick_ms = 0;
  double distance_ms = 0;
};

// Pictures arriving before the synchronising channel showed anything are
// left out, and so are comparisons with moments of the synchronising
// channel outside the follower's recording.
std::vector<SyncSample> SyncDistances(const ChannelTrack& follower, const ChannelTrack& sync);

// The largest distance of samples with begin_ms <= tick < end_ms.
std::optional<double> LargestDistance(const std::vector<SyncSample>& samples, double begin_ms,
                                      double end_ms);

// A stretch of playing between two script actions, from start_ms (steady
// clock) to the next phase's start.
struct PlayPhase {
  double start_ms = 0;
  bool forward_normal = false;  // playing forward at rate 0
};

// Frames of the recording strictly between two consecutive pictures of a
// phase played forward at normal speed: what the channel gave up to keep
// to time. `phases` ascending; pictures before the first phase count in none.
size_t GivenUp(const std::vector<ShownPicture>& shown, const std::vector<uint64_t>& frames,
               const std::vector<PlayPhase>& phases);

}  // namespace brisca::tools
