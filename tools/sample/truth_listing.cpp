#include "tools/sample/truth_listing.h"

#include <cstring>

#include "tools/brisca/frame_listing.h"

namespace brisca::tools::sample {

InfoRecord MakeInfoRecord(const std::optional<WallClock>& clock,
                          const GpsReading& gps) {
  InfoRecord info;
  std::memset(&info, 0, sizeof info);
  if (clock) {
    info.year = static_cast<uint8_t>(clock->year - 2000);
    info.month = clock->month;
    info.day = clock->day;
    info.hour = clock->hour;
    info.minute = clock->minute;
    info.second = clock->second;
  }
  info.fix_status = gps.status;
  // The reader converts thousandths of a knot with this exact expression.
  info.speed_kmh = static_cast<uint16_t>(gps.speed_milliknots * 1.852 / 1000);
  info.lat_degrees = gps.lat_degrees;
  info.lat_minutes = gps.lat_minutes;
  info.lon_degrees = gps.lon_degrees;
  info.lon_minutes = gps.lon_minutes;
  info.lat_fraction = gps.lat_fraction / 10;  // six decimal digits
  info.lon_fraction = gps.lon_fraction / 10;
  info.heading = gps.heading;
  info.north_south = gps.north_south;
  info.east_west = gps.east_west;
  info.fraction_digits = 6;
  return info;
}

std::string TruthLine(FrameKind kind, uint64_t timestamp,
                      std::span<const uint8_t> data) {
  return FormatFrameLine(kind, timestamp, data.data(), data.size()) + "\n";
}

std::string TruthLine(uint64_t timestamp, const InfoRecord& info) {
  uint8_t bytes[sizeof(InfoRecord)];
  std::memcpy(bytes, &info, sizeof info);
  return TruthLine(FRAME_INFO, timestamp, bytes);
}

}  // namespace brisca::tools::sample
