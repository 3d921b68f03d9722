#include "brisca/card/calendar_time.h"

#include <chrono>

namespace brisca {

BR_SYSTEMTIME UtcSystemTime(uint32_t seconds) {
  using namespace std::chrono;
  const sys_seconds when{std::chrono::seconds{seconds}};
  const sys_days day = floor<days>(when);
  const year_month_day date{day};
  const hh_mm_ss<std::chrono::seconds> time{when - day};
  BR_SYSTEMTIME out{};
  out.year = static_cast<uint16_t>(static_cast<int>(date.year()));
  out.month = static_cast<uint16_t>(static_cast<unsigned>(date.month()));
  out.day_of_week = static_cast<uint16_t>(weekday{day}.c_encoding());
  out.day = static_cast<uint16_t>(static_cast<unsigned>(date.day()));
  out.hour = static_cast<uint16_t>(time.hours().count());
  out.minute = static_cast<uint16_t>(time.minutes().count());
  out.second = static_cast<uint16_t>(time.seconds().count());
  return out;
}

}  // namespace brisca
