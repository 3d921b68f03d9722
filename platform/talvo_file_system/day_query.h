// The query every caller makes: all segments of one date, 00:00:00 to
// 23:59:59, every channel and record type.
#pragma once

#include <cstdint>

#include "platform/talvo_file_system/disk_format.h"
#include "platform/talvo_file_system/talvo_file_system.h"

namespace tvfs {

inline _stream_query_ WholeDayQuery(const _fs_date_& date, uint32_t max_results) {
  _stream_query_ query{};
  query.channel_mask = 0xFFFF;
  query.year = date.year;
  query.month = date.month;
  query.day = date.day;
  query.day_count = 1;
  query.to_hour = 23;
  query.to_minute = 59;
  query.to_second = 59;
  query.stream_kind = 1;
  query.type_mask = tvfs::kAllTypes;
  query.max_results = max_results;
  return query;
}

}  // namespace tvfs
