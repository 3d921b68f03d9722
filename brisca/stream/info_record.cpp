#include "brisca/stream/info_record.h"

namespace brisca {
namespace {

double FractionScale(uint8_t digits) {
  double scale = 1.0;
  for (uint8_t i = 0; i < digits && i < 10; ++i) scale *= 10.0;
  return scale;
}

double ToDegrees(uint8_t degrees, uint8_t minutes, uint32_t fraction,
                 uint8_t digits, bool negative) {
  const double value =
      degrees + (minutes + fraction / FractionScale(digits)) / 60.0;
  return negative ? -value : value;
}

}  // namespace

double InfoRecord::LatitudeDegrees() const {
  return ToDegrees(lat_degrees, lat_minutes, lat_fraction, fraction_digits,
                   north_south == 'S');
}

double InfoRecord::LongitudeDegrees() const {
  return ToDegrees(lon_degrees, lon_minutes, lon_fraction, fraction_digits,
                   east_west == 'W');
}

}  // namespace brisca
