#include "platform/talvo_file_system/segment_query.h"

#include <algorithm>

namespace tvfs {
namespace {

constexpr uint8_t kRecordingsKind = 1;

_stream_segment_id_ ToPublicId(const SegmentId& id) {
  _stream_segment_id_ out{};
  out.disk = id.disk;
  out.number[0] = id.number[0];
  out.number[1] = id.number[1];
  return out;
}

bool InWindow(const SegmentEntry& entry, uint32_t from, uint32_t to) {
  const uint32_t start = entry.start.Seconds();
  const uint32_t end = entry.end.Seconds() >= start ? entry.end.Seconds() : kSecondsPerDay;
  return start <= to && end >= from;
}

}  // namespace

int RunQuery(const DiskVolume& volume, const _stream_query_& query,
             std::vector<uint32_t>& matches) {
  const DiskDate first_date{query.year, query.month, query.day};
  const TimeOfDay from{query.from_hour, query.from_minute, query.from_second};
  const TimeOfDay to{query.to_hour, query.to_minute, query.to_second};
  if (!IsValidDate(first_date) || !IsValidTime(from) || !IsValidTime(to) ||
      from.Seconds() > to.Seconds() || query.day_count == 0 ||
      query.stream_kind != kRecordingsKind) {
    return TVFS_E_ARGUMENT;
  }
  const int64_t first_day = DayNumber(first_date);
  const int64_t last_day = first_day + query.day_count - 1;
  const auto& dates = volume.dates();
  auto date = std::lower_bound(dates.begin(), dates.end(), first_date,
                               [](const DateSegments& a, const DiskDate& b) { return a.date < b; });
  matches.clear();
  for (; date != dates.end() && DayNumber(date->date) <= last_day; ++date) {
    if (date->error != 0) {
      matches.clear();
      return date->error;
    }
    for (uint32_t i = date->first; i < date->first + date->count; ++i) {
      if (matches.size() >= query.max_results) return 0;
      const SegmentEntry& entry = volume.segments()[i].entry;
      if ((query.channel_mask >> entry.channel & 1u) == 0) continue;
      if (!TypeMaskSelects(query.type_mask, entry.record_type)) continue;
      if (!InWindow(entry, from.Seconds(), to.Seconds())) continue;
      matches.push_back(i);
    }
  }
  return 0;
}

_stream_query_result_ MakeQueryResult(const Segment& segment) {
  const SegmentEntry& entry = segment.entry;
  _stream_query_result_ result{};
  result.start_hour = entry.start.hour;
  result.start_minute = entry.start.minute;
  result.start_second = entry.start.second;
  result.end_hour = entry.end.hour;
  result.end_minute = entry.end.minute;
  result.end_second = entry.end.second;
  result.channel = entry.channel;
  result.record_type = entry.record_type;
  result.id = ToPublicId(entry.id);
  return result;
}

_stream_segment_info_ MakeSegmentInfo(const Segment& segment) {
  const SegmentEntry& entry = segment.entry;
  _stream_segment_info_ info{};
  info.id = ToPublicId(entry.id);
  info.channel = entry.channel;
  info.record_type = entry.record_type;
  info.date.year = segment.date.year;
  info.date.month = segment.date.month;
  info.date.day = segment.date.day;
  info.start_hour = entry.start.hour;
  info.start_minute = entry.start.minute;
  info.start_second = entry.start.second;
  info.end_hour = entry.end.hour;
  info.end_minute = entry.end.minute;
  info.end_second = entry.end.second;
  info.size = entry.data_size;
  return info;
}

}  // namespace tvfs
