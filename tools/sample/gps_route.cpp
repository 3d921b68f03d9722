#include "tools/sample/gps_route.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace brisca::tools::sample {
namespace {

constexpr double kEarthRadiusMetres = 6371008.8;
constexpr double kMetresPerSecondPerKmh = 1.0 / 3.6;
constexpr double kKmhPerKnot = 1.852;

double Radians(double degrees) { return degrees * std::numbers::pi / 180.0; }
double Degrees(double radians) { return radians * 180.0 / std::numbers::pi; }

double Kmh(double kmh) { return kmh * kMetresPerSecondPerKmh; }

struct StartPoint {
  double latitude;
  double longitude;
};

// A well-known city centre per hemisphere pair.
StartPoint StartFor(char north_south, char east_west) {
  if (north_south == 'N') {
    return east_west == 'E' ? StartPoint{22.5431, 114.0579}
                            : StartPoint{40.7128, -74.0060};
  }
  return east_west == 'E' ? StartPoint{-33.8688, 151.2093}
                          : StartPoint{-23.5505, -46.6333};
}

// Splits an unsigned angle into whole degrees, whole minutes and the
// fraction of a minute in 10^-7 minute.
void SplitAngle(double degrees, uint8_t& whole_degrees, uint8_t& minutes,
                uint32_t& fraction) {
  constexpr int64_t kUnitsPerMinute = 10000000;
  constexpr int64_t kUnitsPerDegree = 60 * kUnitsPerMinute;
  const int64_t units = std::llround(std::fabs(degrees) * kUnitsPerDegree);
  whole_degrees = static_cast<uint8_t>(units / kUnitsPerDegree);
  const int64_t rest = units % kUnitsPerDegree;
  minutes = static_cast<uint8_t>(rest / kUnitsPerMinute);
  fraction = static_cast<uint32_t>(rest % kUnitsPerMinute);
}

}  // namespace

GpsRoute::GpsRoute(const RouteSettings& settings)
    : settings_(settings), random_(settings.seed) {
  const StartPoint start = StartFor(settings.north_south, settings.east_west);
  latitude_ = start.latitude;
  longitude_ = start.longitude;
  heading_ = random_.Between(0.0, 360.0);
  const bool city = settings.kind == RouteKind::kCity;
  accel_mps2_ = city ? 2.0 : 1.0;
  brake_mps2_ = city ? 3.0 : 1.5;
  speed_mps_ = city ? 0.0 : Kmh(random_.Between(80.0, 100.0));

  // Drawn whether or not the loss is wanted, so that the drive itself does
  // not change with the option.
  const uint32_t latest_start = std::max<uint32_t>(2, settings.duration_seconds / 2);
  loss_first_ = random_.Integer(2, latest_start);
  loss_end_ = settings.gps_loss ? loss_first_ + random_.Integer(3, 6) : loss_first_;
  last_fix_ = Encode();
  last_fix_.status = 'V';
  last_fix_.speed_milliknots = 0;
}

GpsReading GpsRoute::Next() {
  if (second_ > 0) Advance();
  const bool lost = second_ >= loss_first_ && second_ < loss_end_;
  ++second_;
  if (lost) {
    // A receiver without a fix repeats the last position it knew.
    GpsReading reading = last_fix_;
    reading.status = 'V';
    reading.speed_milliknots = 0;
    return reading;
  }
  last_fix_ = Encode();
  return last_fix_;
}

void GpsRoute::PlanLegs() {
  if (settings_.kind == RouteKind::kCity) {
    PlanCityLegs();
  } else {
    PlanHighwayLegs();
  }
}

// Town driving: stretches of 30-60 km/h ended by a stop at a light, a turn
// at a crossing, or simply a new pace.
void GpsRoute::PlanCityLegs() {
  const double event = random_.Unit();
  if (event < 0.35 && speed_mps_ > 1.0) {
    const int braking = static_cast<int>(std::ceil(speed_mps_ / brake_mps2_));
    legs_.push_back({LegKind::kStop, 0.0, 0.0,
                     braking + static_cast<int>(random_.Integer(5, 20))});
  } else if (event < 0.7 && speed_mps_ > 1.0) {
    const double turning_speed = Kmh(random_.Between(15.0, 22.0));
    const int slowing = static_cast<int>(
        std::ceil(std::max(0.0, speed_mps_ - turning_speed) / brake_mps2_));
    const double direction = random_.Chance(0.5) ? 1.0 : -1.0;
    const int turn_seconds = static_cast<int>(random_.Integer(5, 8));
    const double angle = random_.Between(75.0, 100.0);
    legs_.push_back({LegKind::kCruise, turning_speed, 0.0, slowing + 1});
    legs_.push_back({LegKind::kTurn, turning_speed,
                     direction * angle / turn_seconds, turn_seconds});
  }
  legs_.push_back({LegKind::kCruise, Kmh(random_.Between(30.0, 60.0)), 0.0,
                   static_cast<int>(random_.Integer(10, 40))});
}

// Highway driving: 70-120 km/h with long gentle bends.
void GpsRoute::PlanHighwayLegs() {
  const double target = Kmh(random_.Between(70.0, 120.0));
  if (random_.Chance(0.4)) {
    const double direction = random_.Chance(0.5) ? 1.0 : -1.0;
    legs_.push_back({LegKind::kTurn, target,
                     direction * random_.Between(0.3, 1.5),
                     static_cast<int>(random_.Integer(15, 40))});
  }
  legs_.push_back({LegKind::kCruise, target, 0.0,
                   static_cast<int>(random_.Integer(20, 60))});
}

void GpsRoute::Advance() {
  while (legs_.empty() || legs_.front().seconds <= 0) {
    if (!legs_.empty()) legs_.pop_front();
    if (legs_.empty()) PlanLegs();
  }
  Leg& leg = legs_.front();
  --leg.seconds;

  const double before = speed_mps_;
  speed_mps_ += std::clamp(leg.target_mps - speed_mps_, -brake_mps2_, accel_mps2_);
  // A vehicle only turns while it rolls; the wander keeps straight
  // stretches from being perfectly straight.
  const double rolling = std::min(1.0, speed_mps_ / 3.0);
  const double wander = random_.Between(-0.4, 0.4);
  const double turn = (leg.turn_rate_dps + wander) * rolling;
  const double mid_heading = heading_ + turn / 2.0;
  heading_ = std::fmod(heading_ + turn + 360.0, 360.0);
  Move((before + speed_mps_) / 2.0, mid_heading);
}

// Moves along the great circle that leaves the position at the heading.
void GpsRoute::Move(double metres, double heading_degrees) {
  const double distance = metres / kEarthRadiusMetres;
  const double bearing = Radians(heading_degrees);
  const double lat1 = Radians(latitude_);
  const double lon1 = Radians(longitude_);
  const double lat2 = std::asin(std::sin(lat1) * std::cos(distance) +
                                std::cos(lat1) * std::sin(distance) * std::cos(bearing));
  const double lon2 =
      lon1 + std::atan2(std::sin(bearing) * std::sin(distance) * std::cos(lat1),
                        std::cos(distance) - std::sin(lat1) * std::sin(lat2));
  latitude_ = Degrees(lat2);
  longitude_ = std::remainder(Degrees(lon2), 360.0);
}

GpsReading GpsRoute::Encode() const {
  GpsReading reading;
  reading.status = 'A';
  const double knots = speed_mps_ * 3.6 / kKmhPerKnot;
  reading.speed_milliknots = static_cast<uint32_t>(
      std::clamp<long long>(std::llround(knots * 1000.0), 0, 0xFFFFFF));
  SplitAngle(latitude_, reading.lat_degrees, reading.lat_minutes,
             reading.lat_fraction);
  SplitAngle(longitude_, reading.lon_degrees, reading.lon_minutes,
             reading.lon_fraction);
  reading.heading = static_cast<uint16_t>(std::llround(heading_ * 100.0) % 36000);
  reading.north_south = latitude_ < 0 ? 'S' : 'N';
  reading.east_west = longitude_ < 0 ? 'W' : 'E';
  return reading;
}

}  // namespace brisca::tools::sample
