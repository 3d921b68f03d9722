#include "brisca/stream/stream_records.h"

#include <cstring>

namespace brisca {

InfoRecord MakeInfoRecord(const StreamFrame& frame) {
  InfoRecord info{};
  if (frame.has_clock) {
    info.year = static_cast<uint8_t>(frame.clock.year - 2000);
    info.month = frame.clock.month;
    info.day = frame.clock.day;
    info.hour = frame.clock.hour;
    info.minute = frame.clock.minute;
    info.second = frame.clock.second;
  }
  const GpsFix& gps = frame.gps;
  info.fix_status = gps.status;
  info.speed_kmh = gps.speed_kmh;
  info.lat_degrees = gps.lat_degrees;
  info.lat_minutes = gps.lat_minutes;
  info.lon_degrees = gps.lon_degrees;
  info.lon_minutes = gps.lon_minutes;
  info.lat_fraction = gps.lat_fraction;
  info.lon_fraction = gps.lon_fraction;
  info.heading = gps.heading;
  info.north_south = gps.north_south;
  info.east_west = gps.east_west;
  info.fraction_digits = 6;
  return info;
}

namespace {

FrameKind KindOf(const StreamFrame& frame) {
  if (!frame.IsVideo()) return FRAME_AUDIO;
  return frame.IsKey() ? FRAME_VIDEO_KEY : FRAME_VIDEO_PREDICTED;
}

}  // namespace

bool MakeRecords(const StreamFrame& frame, FramePool& pool, RecFrame** media,
                 RecFrame** info) {
  *media = nullptr;
  *info = nullptr;
  RecFrame* out = pool.Take(frame.total_size);
  if (!out) return false;
  RecFrame* telemetry = nullptr;
  if (frame.IsVideo() && frame.has_gps) {
    telemetry = pool.Take(sizeof(InfoRecord));
    if (!telemetry) {
      pool.Release(out);
      return false;
    }
    const InfoRecord record = MakeInfoRecord(frame);
    std::memcpy(telemetry->data, &record, sizeof record);
    telemetry->length = sizeof record;
    telemetry->timestamp = frame.timestamp;
    telemetry->kind = FRAME_INFO;
  }
  if (frame.payload_length) std::memcpy(out->data, frame.payload, frame.payload_length);
  out->length = frame.payload_length;
  out->timestamp = frame.timestamp;
  out->kind = KindOf(frame);
  *media = out;
  *info = telemetry;
  return true;
}

}  // namespace brisca
