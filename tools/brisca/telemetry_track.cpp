#include "tools/brisca/telemetry_track.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>

#include "brisca/device/device_reader.h"

namespace brisca::tools {
namespace {

constexpr double kAccelUnitsPerG = 4096.0;

bool ClockIsValid(const InfoRecord& r) {
  return r.month >= 1 && r.month <= 12 && r.day >= 1 && r.day <= 31 && r.hour <= 23 &&
         r.minute <= 59 && r.second <= 59;
}

uint64_t ClockKey(const InfoRecord& r) {
  return ((((uint64_t{r.year} * 13 + r.month) * 32 + r.day) * 24 + r.hour) * 60 + r.minute) * 60 +
         r.second;
}

// Milliseconds within the record's second: records of one clock second are
// told apart by their chunks' timestamps.
class SubSecond {
 public:
  unsigned Of(const InfoRecord& record, uint64_t timestamp_us) {
    const uint64_t key = ClockKey(record);
    if (!second_start_ || key != key_ || timestamp_us < *second_start_) {
      key_ = key;
      second_start_ = timestamp_us;
    }
    const uint64_t ms = (timestamp_us - *second_start_) / 1000;
    return static_cast<unsigned>(ms > 999 ? 999 : ms);
  }

 private:
  uint64_t key_ = 0;
  std::optional<uint64_t> second_start_;
};

TelemetryPoint Decode(const InfoRecord& r, uint64_t timestamp_us, SubSecond& sub_second) {
  TelemetryPoint point;
  point.timestamp_us = timestamp_us;
  if (ClockIsValid(r)) {
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u.%03u", 2000u + r.year,
                  unsigned{r.month}, unsigned{r.day}, unsigned{r.hour}, unsigned{r.minute},
                  unsigned{r.second}, sub_second.Of(r, timestamp_us));
    point.time = text;
  }
  point.fix = r.fix_status == 'A';
  point.latitude = r.LatitudeDegrees();
  point.longitude = r.LongitudeDegrees();
  point.position_valid = std::fabs(point.latitude) <= 90.0 && std::fabs(point.longitude) <= 180.0;
  point.speed_kmh = r.speed_kmh;
  point.heading_degrees = r.HeadingDegrees();
  point.accel_g[0] = r.accel_x / kAccelUnitsPerG;
  point.accel_g[1] = r.accel_y / kAccelUnitsPerG;
  point.accel_g[2] = r.accel_z / kAccelUnitsPerG;
  return point;
}

// Decodes the telemetry frames handed to it, in order.
class Track {
 public:
  explicit Track(uint64_t units_per_ms)
      : us_per_unit_(units_per_ms >= 1000 ? 1 : 1000 / (units_per_ms ? units_per_ms : 1)) {}

  void Add(const RecFrame& frame) {
    // Anything shorter is no telemetry record, whatever its kind says.
    if (frame.kind != FRAME_INFO || frame.length < sizeof(InfoRecord)) return;
    InfoRecord record;
    std::memcpy(&record, frame.data, sizeof record);
    // A stream's millisecond timestamps come from the medium: one too large
    // for microseconds is held at the top rather than wrapped.
    const uint64_t us = frame.timestamp > UINT64_MAX / us_per_unit_
                            ? UINT64_MAX
                            : frame.timestamp * us_per_unit_;
    points_.push_back(Decode(record, us, sub_second_));
  }

  std::vector<TelemetryPoint> Take() { return std::move(points_); }

 private:
  uint64_t us_per_unit_;
  SubSecond sub_second_;
  std::vector<TelemetryPoint> points_;
};

}  // namespace

std::vector<TelemetryPoint> ReadTelemetry(CRecFile& reader, uint64_t units_per_ms) {
  Track track(units_per_ms);
  // Device recordings hand out their telemetry alone, passing over the
  // media; every other reader answers 0 with no frame, for its telemetry
  // rides along with the frames themselves.
  RecFrame* info = nullptr;
  int result = 0;
  while ((result = reader.ReadInfoFrame(0, &info)) == 0 && info) {
    track.Add(*info);
    reader.ReleaseFrame(info);
    info = nullptr;
  }
  if (result != 0) return track.Take();
  RecFrame* frame = nullptr;
  while (reader.ReadFrame(&frame, &info) == 0) {
    track.Add(*frame);
    reader.ReleaseFrame(frame);
    if (info) {
      track.Add(*info);
      reader.ReleaseFrame(info);
      info = nullptr;
    }
  }
  return track.Take();
}

std::optional<std::vector<TelemetryPoint>> ReadTelemetry(const char* path) {
  CFileAuds reader;
  if (reader.Open(path) != 0) return std::nullopt;
  return ReadTelemetry(reader, 1000);
}

}  // namespace brisca::tools
