// The 48-byte telemetry record: payload of FRAME_INFO frames and argument of
// the info-frame callback. The struct has the exact on-the-wire layout on the
// little-endian hosts the library supports; every field is naturally aligned.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

namespace brisca {

static_assert(std::endian::native == std::endian::little,
              "InfoRecord and the stream formats are little-endian layouts");

struct InfoRecord {
  uint8_t year;    // year minus 2000; 0 with month 0 when no clock was known
  uint8_t month;   // 1-12, 0 when no clock was known
  uint8_t day;
  uint8_t hour;
  uint8_t minute;
  uint8_t second;
  uint16_t reserved0;
  char fix_status;  // 'A' when the GPS fix is valid
  uint8_t reserved1;
  uint16_t speed_kmh;
  uint8_t lat_degrees;
  uint8_t lat_minutes;
  uint8_t lon_degrees;
  uint8_t lon_minutes;
  uint32_t lat_fraction;  // fraction of a minute, `fraction_digits` decimals
  uint32_t lon_fraction;
  uint16_t heading;  // hundredths of a degree
  char north_south;  // 'N' or 'S'
  char east_west;    // 'E' or 'W'
  uint8_t fraction_digits;
  uint8_t reserved2[3];
  uint32_t prev_key_chunk;  // device recordings only, else 0
  uint32_t reserved3;
  int16_t accel_x;  // 1/4096 g
  int16_t accel_y;
  int16_t accel_z;
  uint16_t reserved4;

  // Signed decimal degrees: negative south of the equator / west of Greenwich.
  double LatitudeDegrees() const;
  double LongitudeDegrees() const;
  // Heading in degrees.
  double HeadingDegrees() const { return heading / 100.0; }
  bool HasClock() const { return month != 0; }
};

static_assert(sizeof(InfoRecord) == 48);
static_assert(offsetof(InfoRecord, fix_status) == 8);
static_assert(offsetof(InfoRecord, speed_kmh) == 10);
static_assert(offsetof(InfoRecord, lat_fraction) == 16);
static_assert(offsetof(InfoRecord, heading) == 24);
static_assert(offsetof(InfoRecord, fraction_digits) == 28);
static_assert(offsetof(InfoRecord, prev_key_chunk) == 32);
static_assert(offsetof(InfoRecord, accel_x) == 40);

}  // namespace brisca
