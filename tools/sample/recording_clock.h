// The recorder's two clocks for a generated recording: the free-running
// millisecond timestamp and the local wall-clock time, both derived from the
// recording's start time and an offset into the recording.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "brisca/stream/stream_frame.h"

namespace brisca::tools::sample {

class RecordingClock {
 public:
  explicit RecordingClock(std::chrono::local_seconds start) : start_(start) {}

  // Timestamp in milliseconds of the point `offset_ms` into the recording:
  // milliseconds since 2000-01-01 00:00:00 of the start time plus the offset.
  uint64_t Timestamp(uint64_t offset_ms) const;

  // Wall-clock time, in whole seconds, of the point `offset_ms` into the
  // recording; rolls over minutes, days, months and years.
  WallClock WallClockAt(uint64_t offset_ms) const;

  // "YYYY-MM-DD" and "hh:mm:ss.mmm" of the point `offset_ms` into the
  // recording, as painted into the pictures.
  std::string DateText(uint64_t offset_ms) const;
  std::string TimeText(uint64_t offset_ms) const;

 private:
  std::chrono::local_time<std::chrono::milliseconds> At(uint64_t offset_ms) const;

  std::chrono::local_seconds start_;
};

// "YYYY-MM-DD hh:mm:ss" of a wall-clock time.
std::string FormatWallClock(const WallClock& clock);

}  // namespace brisca::tools::sample
