// The wall-clock time of a recording's frames, which is what channels of
// one moment have in common: their recorders' millisecond counters start
// anywhere, but each recording knows the calendar time of its first frame.
#pragma once

#include <cstdint>

#include "brisca/types/brisca_types.h"

namespace brisca {

// Milliseconds since 1970-01-01 of the recording's first frame, from its
// start time; a recording without one (year 0, or a date that is no date)
// counts its own timestamps as the wall clock, so it stays in step with
// itself.
int64_t RecordingWallStart(const RecFileParam& param);

// Maps a recording's timestamps to the wall clock and back.
struct WallMapping {
  int64_t wall_start = 0;    // ms, of the first frame
  uint64_t first_stamp = 0;  // ms, the first frame's timestamp

  int64_t Wall(uint64_t timestamp) const {
    return wall_start + (static_cast<int64_t>(timestamp) - static_cast<int64_t>(first_stamp));
  }
  // Milliseconds from the first frame to the moment `wall`; negative before.
  int64_t Offset(int64_t wall) const { return wall - wall_start; }
};

}  // namespace brisca
