// Stream queries: which segments of a disk a _stream_query_ lists.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/talvo_file_system/disk_volume.h"
#include "platform/talvo_file_system/talvo_file_system.h"

namespace tvfs {

// The indexes (into volume.segments()) of the segments `query` lists, in
// list order, at most query.max_results of them. A segment is listed when
// its date is one of the query's day_count days from the query date, its
// channel bit is set in the channel mask, the type mask selects its record
// type (TypeMaskSelects) and it overlaps the
// time window (a segment running past midnight reaches the end of the day).
// Returns 0, TVFS_E_ARGUMENT for an invalid date, time, window, day count
// or stream kind, or the error of a date in range whose segment table could
// not be read (a listing that silently lacked that date would look whole).
int RunQuery(const DiskVolume& volume, const _stream_query_& query,
             std::vector<uint32_t>& matches);

// The listing record of `segment`.
_stream_query_result_ MakeQueryResult(const Segment& segment);

// The info record of `segment`.
_stream_segment_info_ MakeSegmentInfo(const Segment& segment);

}  // namespace tvfs
