#include "brisca/engine/wall_clock.h"

#include <chrono>

namespace brisca {

int64_t RecordingWallStart(const RecFileParam& param) {
  using namespace std::chrono;
  const BR_SYSTEMTIME& t = param.start_time;
  const year_month_day date{year{t.year}, month{t.month}, day{t.day}};
  if (t.year == 0 || !date.ok() || t.hour > 23 || t.minute > 59 || t.second > 59 ||
      t.milliseconds > 999) {
    return static_cast<int64_t>(param.start);
  }
  const sys_time<milliseconds> when = sys_days{date} + hours{t.hour} + minutes{t.minute} +
                                      seconds{t.second} + milliseconds{t.milliseconds};
  return when.time_since_epoch().count();
}

}  // namespace brisca
