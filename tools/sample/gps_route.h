// A simulated drive that supplies one GPS reading per second of recording:
// smooth accelerations, stops and turns in town, long bends on the highway,
// the position integrated on the sphere from speed and heading.
#pragma once

#include <cstdint>
#include <deque>

#include "tools/sample/sample_options.h"
#include "tools/sample/sample_random.h"

namespace brisca::tools::sample {

// One reading in the units the stream's GPS item stores.
struct GpsReading {
  char status = 'A';               // 'A' with a fix, 'V' without
  uint32_t speed_milliknots = 0;   // thousandths of a knot, below 2^24
  uint8_t lat_degrees = 0;
  uint8_t lat_minutes = 0;
  uint8_t lon_degrees = 0;
  uint8_t lon_minutes = 0;
  uint32_t lat_fraction = 0;       // fraction of a minute, 10^-7 minute
  uint32_t lon_fraction = 0;
  uint16_t heading = 0;            // hundredths of a degree, 0-35999
  char north_south = 'N';
  char east_west = 'E';
};

struct RouteSettings {
  RouteKind kind = RouteKind::kCity;
  char north_south = 'N';  // picks the starting city
  char east_west = 'E';
  uint64_t seed = 1;
  bool gps_loss = false;  // a few seconds without a fix
  uint32_t duration_seconds = 0;  // places the loss inside the recording
};

class GpsRoute {
 public:
  explicit GpsRoute(const RouteSettings& settings);

  // The reading at the next whole second of the recording: second 0 on the
  // first call, then one second later on each call.
  GpsReading Next();

 private:
  enum class LegKind { kCruise, kStop, kTurn };
  struct Leg {
    LegKind kind = LegKind::kCruise;
    double target_mps = 0;       // speed aimed at during the leg
    double turn_rate_dps = 0;    // heading change, degrees per second
    int seconds = 0;             // remaining length of the leg
  };

  void PlanLegs();
  void PlanCityLegs();
  void PlanHighwayLegs();
  void Advance();
  void Move(double metres, double heading_degrees);
  GpsReading Encode() const;

  RouteSettings settings_;
  SampleRandom random_;
  std::deque<Leg> legs_;
  double accel_mps2_ = 0;   // strongest speed-up per second
  double brake_mps2_ = 0;   // strongest slow-down per second
  double latitude_ = 0;     // signed degrees, negative south
  double longitude_ = 0;    // signed degrees, negative west
  double heading_ = 0;      // degrees clockwise from north
  double speed_mps_ = 0;
  uint32_t second_ = 0;  // second of the next reading
  uint32_t loss_first_ = 0;  // seconds [loss_first_, loss_end_) have no fix
  uint32_t loss_end_ = 0;
  GpsReading last_fix_;
};

}  // namespace brisca::tools::sample
