// What a stream reader learns from the head and the tail of a recording
// before it plays it: the first key frame with its clock and formats, the
// audio format, and the timestamp of the last video frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "brisca/stream/stream_frame.h"

namespace brisca {

// Bytes examined at each end of a recording.
inline constexpr size_t kExaminedBytes = 2000000;

struct StreamHead {
  std::optional<StreamFrame> first_key;  // payload pointer not kept valid
  std::optional<AudioFormat> audio;
};

// Scans whole frames from the start of `data` (a frame is tried while more
// than 24 bytes remain; noise is skipped byte by byte; an incomplete frame
// ends the scan). Stops at the first audio format met once the first key
// frame is known.
StreamHead ExamineHead(const uint8_t* data, size_t size);

// The timestamp of the first key frame in `data`, or, when it contradicts
// the video frames after it (see PlausibleSpan), the first one from there on
// that agrees with its neighbour. Empty without a key frame.
std::optional<uint64_t> FirstKeyTimestamp(const uint8_t* data, size_t size);

// The wall clock of the first key frame in `data`, or, when it contradicts
// the clocks of the two video frames after it while those agree with each
// other, the clock they imply for a frame with timestamp `first_timestamp`
// (milliseconds). Clocks agree when their dates match and their seconds
// apart match their timestamps apart to within 2 s. Empty when the first
// key frame has no valid clock.
std::optional<WallClock> FirstKeyClock(const uint8_t* data, size_t size,
                                       uint64_t first_timestamp);

// The timestamp of the last video frame with a nonzero timestamp in `data`
// that agrees with the one before it; the last one at all when no two agree.
std::optional<uint64_t> LastVideoTimestamp(const uint8_t* data, size_t size);

}  // namespace brisca
