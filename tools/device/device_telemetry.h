// The telemetry of a generated device recording: the simulated drive's GPS
// readings (one a second) interpolated to any moment, with the clock and the
// vehicle's acceleration (along and across its heading, and vertical with
// gravity and road vibration) in the 48-byte info record.
#pragma once

#include <cstdint>
#include <optional>

#include "brisca/stream/info_record.h"
#include "tools/sample/gps_route.h"
#include "tools/sample/recording_clock.h"
#include "tools/sample/sample_random.h"

namespace brisca::tools::device {

class DeviceTelemetry {
 public:
  DeviceTelemetry(const sample::RouteSettings& route, const sample::RecordingClock& clock);

  // The record `offset_ms` into the recording. Offsets must not decrease
  // from one call to the next.
  InfoRecord At(uint64_t offset_ms);

 private:
  struct Sample {
    bool fix = false;
    double latitude = 0;   // signed degrees
    double longitude = 0;
    double speed_mps = 0;
    double heading = 0;    // degrees
  };
  static Sample Decode(const sample::GpsReading& reading);
  void LoadSecond(uint64_t second);

  const sample::RecordingClock& clock_;
  sample::GpsRoute route_;
  sample::SampleRandom vibration_;
  std::optional<uint64_t> loaded_;  // the second `now_` belongs to
  Sample now_;
  Sample next_;  // one second later
};

}  // namespace brisca::tools::device
