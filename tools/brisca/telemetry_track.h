// The telemetry records of a recording, in the order its reader delivers
// them, decoded for people and map programs: time, fix, position, speed,
// heading and acceleration in g.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "brisca/recordings/rec_file.h"

namespace brisca::tools {

struct TelemetryPoint {
  uint64_t timestamp_us = 0;  // of the chunk that carried the record
  // "YYYY-MM-DDThh:mm:ss.mmm" from the record's clock, the milliseconds
  // counted from the first record of the same second; empty without a clock.
  std::string time;
  bool fix = false;             // 'A'
  bool position_valid = false;  // latitude within ±90, longitude within ±180
  double latitude = 0;          // signed degrees
  double longitude = 0;
  unsigned speed_kmh = 0;
  double heading_degrees = 0;
  double accel_g[3] = {};       // x, y, z
};

// Every telemetry record the open `reader` delivers from where it stands to
// its end. `units_per_ms`: units of the reader's timestamps in one
// millisecond (1 for stream readers, 1000 for card and device readers).
std::vector<TelemetryPoint> ReadTelemetry(CRecFile& reader, uint64_t units_per_ms);

// Every telemetry record of the device recording at `path`, or nothing when
// it cannot be opened as one.
std::optional<std::vector<TelemetryPoint>> ReadTelemetry(const char* path);

}  // namespace brisca::tools
