#include "tools/device/device_telemetry.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace brisca::tools::device {
namespace {

constexpr double kGravity = 9.80665;          // m/s² per g
constexpr double kAccelUnitsPerG = 4096;
constexpr uint32_t kFractionDigits = 6;
constexpr double kFractionScale = 1e6;

double ToDegrees(uint8_t degrees, uint8_t minutes, uint32_t fraction, bool negative) {
  const double value = degrees + (minutes + fraction / 1e7) / 60.0;
  return negative ? -value : value;
}

// Degrees, whole minutes and a six-digit fraction of a minute.
void EncodeAngle(double value, uint8_t& degrees, uint8_t& minutes, uint32_t& fraction) {
  value = std::fabs(value);
  uint32_t whole = static_cast<uint32_t>(value);
  const double total_minutes = (value - whole) * 60.0;
  uint32_t minute = static_cast<uint32_t>(total_minutes);
  uint32_t part = static_cast<uint32_t>(std::lround((total_minutes - minute) * kFractionScale));
  if (part >= kFractionScale) {
    part = 0;
    if (++minute == 60) {
      minute = 0;
      ++whole;
    }
  }
  degrees = static_cast<uint8_t>(whole);
  minutes = static_cast<uint8_t>(minute);
  fraction = part;
}

int16_t AccelUnits(double g) {
  return static_cast<int16_t>(std::clamp(std::lround(g * kAccelUnitsPerG), -32768L, 32767L));
}

// The signed heading change from `from` to `to`, the short way round.
double HeadingChange(double from, double to) {
  double change = std::fmod(to - from + 540.0, 360.0) - 180.0;
  return change == -180.0 ? 180.0 : change;
}

}  // namespace

DeviceTelemetry::DeviceTelemetry(const sample::RouteSettings& route,
                                 const sample::RecordingClock& clock)
    : clock_(clock), route_(route), vibration_(route.seed ^ 0x5eed) {}

DeviceTelemetry::Sample DeviceTelemetry::Decode(const sample::GpsReading& reading) {
  Sample sample;
  sample.fix = reading.status == 'A';
  sample.latitude = ToDegrees(reading.lat_degrees, reading.lat_minutes, reading.lat_fraction,
                              reading.north_south == 'S');
  sample.longitude = ToDegrees(reading.lon_degrees, reading.lon_minutes, reading.lon_fraction,
                               reading.east_west == 'W');
  sample.speed_mps = reading.speed_milliknots * 1.852 / 3600.0;
  sample.heading = reading.heading / 100.0;
  return sample;
}

void DeviceTelemetry::LoadSecond(uint64_t second) {
  if (!loaded_) {
    now_ = Decode(route_.Next());
    next_ = Decode(route_.Next());
    loaded_ = 0;
  }
  while (*loaded_ < second) {
    now_ = next_;
    next_ = Decode(route_.Next());
    ++*loaded_;
  }
}

InfoRecord DeviceTelemetry::At(uint64_t offset_ms) {
  LoadSecond(offset_ms / 1000);
  const double part = (offset_ms % 1000) / 1000.0;
  // Between two fixes the vehicle moves on evenly; without one it stays.
  const bool moving = now_.fix && next_.fix;
  const double share = moving ? part : 0.0;
  const double heading_change = moving ? HeadingChange(now_.heading, next_.heading) : 0.0;
  const double speed_change = moving ? next_.speed_mps - now_.speed_mps : 0.0;
  const double latitude = now_.latitude + share * (next_.latitude - now_.latitude);
  const double longitude = now_.longitude + share * (next_.longitude - now_.longitude);
  const double speed = now_.speed_mps + share * speed_change;
  const double heading = std::fmod(now_.heading + share * heading_change + 360.0, 360.0);

  InfoRecord record;
  std::memset(&record, 0, sizeof record);
  const WallClock time = clock_.WallClockAt(offset_ms);
  record.year = static_cast<uint8_t>(time.year - 2000);
  record.month = time.month;
  record.day = time.day;
  record.hour = time.hour;
  record.minute = time.minute;
  record.second = time.second;
  record.fix_status = now_.fix ? 'A' : 'V';
  record.speed_kmh = static_cast<uint16_t>(speed * 3.6);
  EncodeAngle(latitude, record.lat_degrees, record.lat_minutes, record.lat_fraction);
  EncodeAngle(longitude, record.lon_degrees, record.lon_minutes, record.lon_fraction);
  record.heading = static_cast<uint16_t>(std::lround(heading * 100.0) % 36000);
  record.north_south = latitude < 0 ? 'S' : 'N';
  record.east_west = longitude < 0 ? 'W' : 'E';
  record.fraction_digits = kFractionDigits;
  // Along the heading: the change of speed; across it (to the right): the
  // centripetal acceleration of the turn; vertical: gravity and vibration
  // that grows with speed.
  const double turn_rate = heading_change * std::numbers::pi / 180.0;  // rad/s
  const double shake = vibration_.Between(-1.0, 1.0) * (0.01 + speed * 0.002);
  record.accel_x = AccelUnits(speed_change / kGravity + shake * 0.3);
  record.accel_y = AccelUnits(speed * turn_rate / kGravity + shake * 0.3);
  record.accel_z = AccelUnits(1.0 + shake);
  return record;
}

}  // namespace brisca::tools::device
