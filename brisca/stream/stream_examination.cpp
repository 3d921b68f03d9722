#include "brisca/stream/stream_examination.h"

#include <algorithm>

#include "brisca/stream/plausible_span.h"

namespace brisca {
namespace {

constexpr size_t kMinimumRemaining = 24;

// Calls `visit(frame)` for every whole frame until it returns false.
template <typename Visit>
void ForEachWholeFrame(const uint8_t* data, size_t size, Visit visit) {
  size_t position = 0;
  StreamFrame frame;
  while (size - position > kMinimumRemaining) {
    const Recognition result = RecognizeFrame(data + position, size - position, frame);
    if (result.match == FrameMatch::kNeedMoreData) return;
    if (result.match == FrameMatch::kNotAFrame) {
      ++position;
      continue;
    }
    // A frame that a confirmed frame inside it contradicts is given up.
    const size_t end = ConfirmedFrameEnd(data + position, size - position, frame.total_size, false);
    if (end != frame.total_size) {
      position += end;
      continue;
    }
    frame.payload = nullptr;
    if (!visit(frame)) return;
    position += frame.total_size;
  }
}

}  // namespace

StreamHead ExamineHead(const uint8_t* data, size_t size) {
  StreamHead head;
  ForEachWholeFrame(data, size, [&](const StreamFrame& frame) {
    if (frame.has_audio_format) head.audio = frame.audio_format;
    if (frame.IsVideo() && frame.IsKey() && !head.first_key) {
      head.first_key = frame;
      return !frame.has_audio_format;
    }
    return !(head.first_key && frame.has_audio_format);
  });
  return head;
}

std::optional<uint64_t> FirstKeyTimestamp(const uint8_t* data, size_t size) {
  std::optional<uint64_t> key;
  PlausibleSpan span(kPlausibleGapMs);
  ForEachWholeFrame(data, size, [&](const StreamFrame& frame) {
    if (!frame.IsVideo()) return true;
    if (!key) {
      if (!frame.IsKey()) return true;
      key = frame.timestamp;
      span.Add(frame.timestamp);
      return true;
    }
    if (frame.timestamp != 0) span.Add(frame.timestamp);
    return !span.first();
  });
  return span.first() ? span.first() : key;
}

namespace {

constexpr int64_t kClockToleranceS = 2;

struct TimedClock {
  WallClock clock;
  uint64_t timestamp = 0;  // milliseconds
};

bool SameDate(const WallClock& a, const WallClock& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day;
}

int64_t SecondsApart(uint64_t from_ms, uint64_t to_ms) {
  return to_ms >= from_ms ? static_cast<int64_t>((to_ms - from_ms) / 1000)
                          : -static_cast<int64_t>((from_ms - to_ms) / 1000);
}

bool ClocksAgree(const TimedClock& a, const TimedClock& b) {
  if (!SameDate(a.clock, b.clock)) return false;
  const int64_t by_clock = int64_t{b.clock.SecondsOfDay()} - a.clock.SecondsOfDay();
  const int64_t by_timestamp = SecondsApart(a.timestamp, b.timestamp);
  return by_clock - by_timestamp <= kClockToleranceS && by_timestamp - by_clock <= kClockToleranceS;
}

}  // namespace

std::optional<WallClock> FirstKeyClock(const uint8_t* data, size_t size,
                                       uint64_t first_timestamp) {
  TimedClock clocks[3];
  int count = 0;
  bool key_seen = false;
  ForEachWholeFrame(data, size, [&](const StreamFrame& frame) {
    if (!frame.IsVideo()) return true;
    if (!key_seen) {
      if (!frame.IsKey()) return true;
      key_seen = true;
      if (!frame.has_clock) return false;
    } else if (!frame.has_clock) {
      return true;
    }
    // The first key frame's own timestamp may be the damaged one.
    clocks[count] = {frame.clock, count == 0 ? first_timestamp : frame.timestamp};
    ++count;
    return count < 3;
  });
  if (count == 0) return std::nullopt;
  if (count < 3 || ClocksAgree(clocks[0], clocks[1]) || !ClocksAgree(clocks[1], clocks[2]))
    return clocks[0].clock;
  // The first clock is the odd one out: count back from the next one.
  WallClock implied = clocks[1].clock;
  const int64_t second =
      int64_t{implied.SecondsOfDay()} - SecondsApart(first_timestamp, clocks[1].timestamp);
  const uint32_t of_day = static_cast<uint32_t>(std::clamp<int64_t>(second, 0, 86399));
  implied.hour = static_cast<uint8_t>(of_day / 3600);
  implied.minute = static_cast<uint8_t>(of_day / 60 % 60);
  implied.second = static_cast<uint8_t>(of_day % 60);
  return implied;
}

std::optional<uint64_t> LastVideoTimestamp(const uint8_t* data, size_t size) {
  std::optional<uint64_t> last;
  PlausibleSpan span(kPlausibleGapMs);
  ForEachWholeFrame(data, size, [&](const StreamFrame& frame) {
    if (frame.IsVideo() && frame.timestamp != 0) {
      last = frame.timestamp;
      span.Add(frame.timestamp);
    }
    return true;
  });
  return span.last() ? span.last() : last;
}

}  // namespace brisca
