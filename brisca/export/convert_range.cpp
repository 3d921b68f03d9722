#include "brisca/export/convert_range.h"

#include <chrono>
#include <limits>

namespace brisca {
namespace {

// Seconds since 1970-01-01 of a date at a time of day; nullopt when the
// date is not a calendar date (a recording without a clock has a zeroed one).
std::optional<int64_t> SecondsAt(const BR_SYSTEMTIME& date, const ClockTime& time) {
  using namespace std::chrono;
  const year_month_day day{year{date.year}, month{date.month}, std::chrono::day{date.day}};
  if (!day.ok()) return std::nullopt;
  const int64_t days = sys_days{day}.time_since_epoch().count();
  return days * 86400 + time.hour * 3600 + time.minute * 60 + time.second;
}

ClockTime TimeOfDay(const BR_SYSTEMTIME& time) { return {time.hour, time.minute, time.second}; }

}  // namespace

uint32_t PackClockTime(const ClockTime& time) {
  return static_cast<uint32_t>(time.hour) << 16 | static_cast<uint32_t>(time.minute) << 8 |
         static_cast<uint32_t>(time.second);
}

std::optional<ClockTime> UnpackClockTime(uint32_t packed) {
  const ClockTime time{static_cast<int>(packed >> 16), static_cast<int>(packed >> 8 & 0xFF),
                       static_cast<int>(packed & 0xFF)};
  if (time.hour > 23 || time.minute > 59 || time.second > 59) return std::nullopt;
  return time;
}

ConvertRange ComputeConvertRange(const BR_SYSTEMTIME& recording_start,
                                 const BR_SYSTEMTIME& recording_end, uint32_t packed_start,
                                 uint32_t packed_end) {
  ConvertRange range;
  const std::optional<ClockTime> start = UnpackClockTime(packed_start);
  const std::optional<ClockTime> end = UnpackClockTime(packed_end);
  if (!start || !end) return range;  // kInvalidTime

  range.verdict = RangeVerdict::kUnusable;
  const std::optional<int64_t> first = SecondsAt(recording_start, TimeOfDay(recording_start));
  const std::optional<int64_t> last = SecondsAt(recording_end, TimeOfDay(recording_end));
  std::optional<int64_t> from = SecondsAt(recording_start, *start);
  std::optional<int64_t> to = SecondsAt(recording_end, *end);
  if (!first || !last || !from || !to) return range;

  if (*from < *first) from = first;
  if (*from > *last) {
    range.verdict = RangeVerdict::kStartAfterRecording;
    return range;
  }
  if (*to > *last) to = last;
  constexpr int64_t kMaxSeconds = std::numeric_limits<int32_t>::max() / 1000;
  if (*to < *from || *to - *first > kMaxSeconds) return range;
  range.verdict = RangeVerdict::kOk;
  range.start_ms = static_cast<int32_t>((*from - *first) * 1000);
  range.end_ms = static_cast<int32_t>((*to - *first) * 1000);
  return range;
}

}  // namespace brisca
