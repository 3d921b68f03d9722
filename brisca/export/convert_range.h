// The time range of a conversion: clock times packed by the program, and
// the millisecond offsets into the recording that the reader's range query
// takes.
#pragma once

#include <cstdint>
#include <optional>

#include "brisca/types/brisca_types.h"

namespace brisca {

struct ClockTime {
  int hour = 0;    // 0-23
  int minute = 0;  // 0-59
  int second = 0;  // 0-59
};

// hour x 65,536 + minute x 256 + second.
uint32_t PackClockTime(const ClockTime& time);
// Nullopt for a value that is not a time of day: a part out of range (the
// program packs a time it could not read as 255:255:255) or bits 24-31 set.
std::optional<ClockTime> UnpackClockTime(uint32_t packed);

enum class RangeVerdict {
  kOk,
  kInvalidTime,          // a packed time is not a time of day
  kStartAfterRecording,  // the start lies after the recording's end
  // The end lies before the (clamped) start, a date of the recording is
  // not a calendar date, or the offsets do not fit 32 bits.
  kUnusable,
};

struct ConvertRange {
  RangeVerdict verdict = RangeVerdict::kInvalidTime;
  // Milliseconds from the recording's start, whole seconds; set for kOk.
  int32_t start_ms = 0;
  int32_t end_ms = 0;
};

// The requested start is the recording's start date at the start time, the
// requested end the recording's end date at the end time, compared in whole
// seconds. A start before the recording becomes its start, an end after it
// its end.
ConvertRange ComputeConvertRange(const BR_SYSTEMTIME& recording_start,
                                 const BR_SYSTEMTIME& recording_end, uint32_t packed_start,
                                 uint32_t packed_end);

}  // namespace brisca
