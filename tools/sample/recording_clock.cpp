#include "tools/sample/recording_clock.h"

#include <cstdio>

namespace brisca::tools::sample {

using namespace std::chrono;

local_time<milliseconds> RecordingClock::At(uint64_t offset_ms) const {
  return local_time<milliseconds>{start_} +
         milliseconds{static_cast<int64_t>(offset_ms)};
}

uint64_t RecordingClock::Timestamp(uint64_t offset_ms) const {
  const local_days epoch{year{2000} / January / 1};
  const auto since_epoch = At(offset_ms) - local_time<milliseconds>{epoch};
  return static_cast<uint64_t>(since_epoch.count());
}

WallClock RecordingClock::WallClockAt(uint64_t offset_ms) const {
  const auto time = floor<seconds>(At(offset_ms));
  const local_days day_start = floor<days>(time);
  const year_month_day date{day_start};
  const hh_mm_ss<seconds> of_day{time - day_start};
  WallClock clock;
  clock.year = static_cast<uint16_t>(static_cast<int>(date.year()));
  clock.month = static_cast<uint8_t>(static_cast<unsigned>(date.month()));
  clock.day = static_cast<uint8_t>(static_cast<unsigned>(date.day()));
  clock.hour = static_cast<uint8_t>(of_day.hours().count());
  clock.minute = static_cast<uint8_t>(of_day.minutes().count());
  clock.second = static_cast<uint8_t>(of_day.seconds().count());
  return clock;
}

std::string RecordingClock::DateText(uint64_t offset_ms) const {
  const WallClock clock = WallClockAt(offset_ms);
  char text[40];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u", clock.year, clock.month,
                clock.day);
  return text;
}

std::string RecordingClock::TimeText(uint64_t offset_ms) const {
  const WallClock clock = WallClockAt(offset_ms);
  const auto millis = At(offset_ms).time_since_epoch().count() % 1000;
  char text[40];
  std::snprintf(text, sizeof text, "%02u:%02u:%02u.%03d", clock.hour,
                clock.minute, clock.second, static_cast<int>(millis));
  return text;
}

std::string FormatWallClock(const WallClock& clock) {
  char text[48];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", clock.year,
                clock.month, clock.day, clock.hour, clock.minute, clock.second);
  return text;
}

}  // namespace brisca::tools::sample
