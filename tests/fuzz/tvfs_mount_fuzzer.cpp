// Fuzz target for the recorder-disk file system: mounts the input as a disk
// image and walks it the way the disk search and the disk reader do.
//
// Input: three control bytes, then the image. They choose how the medium
// behaves: byte 0 the read chunk size of the walk; byte 1 short reads (low
// five bits: 0 none, else that many times 7 bytes per read) and a failing
// read (high three bits f: 0 none, else read number (f - 1) * 16 + 1 +
// byte 0 % 16 fails, and for f of 5 or more every read after it too); byte
// 2 whether the medium reports a size larger or smaller than it holds.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/talvo_file_system/day_query.h"
#include "platform/talvo_file_system/talvo_file_system.h"
#include "platform/talvo_file_system/tvfs_instance.h"
#include "tests/platform/faulty_byte_source.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// What a damaged table or a failed read of the medium may cost one call.
bool IsDamage(int result) { return result == TVFS_E_CORRUPT || result == TVFS_E_IO; }

_stream_query_ WholeDays(const _fs_date_& date, uint8_t day_count) {
  _stream_query_ query = tvfs::WholeDayQuery(date, 10000);
  query.channel_mask = 0xFFFFFFFF;
  query.day_count = day_count;
  return query;
}

void ReadSegment(int handle, const _stream_query_result_& result, const _fs_date_& date,
                 std::vector<uint8_t>& buffer) {
  _stream_segment_info_ info{};
  Check(Tvfs_windows_get_stream_segment_info(handle, &result.id, &info) == 0);
  Check(info.channel == result.channel && info.record_type == result.record_type);
  const uint64_t size = info.size;
  const int stream = Tvfs_windows_open_stream_segment(handle, &result.id, 0xFFFF, 0);
  if (stream < 0) return;
  uint64_t total = 0;
  for (;;) {
    const int got = Tvfs_windows_read_video_data(handle, stream, buffer.data(),
                                                 static_cast<int>(buffer.size()), nullptr);
    if (got < 0) break;
    total += static_cast<uint64_t>(got);
    Check(total <= size);
    if (got == 0) {
      Check(total == size);
      break;
    }
  }
  int64_t position = -1;
  const _fs_date_time_ times[] = {
      {date.year, date.month, date.day, result.start_hour, result.start_minute, result.start_second, {}},
      {date.year, date.month, date.day, result.end_hour, result.end_minute, result.end_second, {}},
      {date.year, date.month, date.day, 23, 59, 59, {}},
  };
  for (const _fs_date_time_& when : times) {
    const int sought = Tvfs_windows_seek_stream_segment(handle, stream, &when, 0);
    Check(sought == 0 || IsDamage(sought));
    Check(Tvfs_windows_stream_segment_tell(handle, stream, &position) == 0);
    Check(position >= 0 && static_cast<uint64_t>(position) <= size);
  }
  Check(Tvfs_windows_seek_stream_segment_pos(handle, stream, 1, 2) != 0);
  Check(Tvfs_windows_seek_stream_segment_pos(handle, stream, 0, 2) == 0);
  Check(Tvfs_windows_stream_segment_tell(handle, stream, &position) == 0);
  Check(static_cast<uint64_t>(position) == size);
  Check(Tvfs_windows_close_stream_segment(handle, stream) == 0);
}

void WalkDisk(int handle, size_t chunk) {
  _fs_date_* dates = nullptr;
  int count = 0;
  Check(Tvfs_windows_get_record_date_list2(handle, &dates, &count) == 0);
  std::vector<_stream_query_result_> results(10000);
  std::vector<uint8_t> buffer(chunk);
  for (int d = 0; d < count; ++d) {
    if (d > 0) Check(std::memcmp(&dates[d - 1], &dates[d], 3) != 0);
    for (const uint8_t day_count : {uint8_t{1}, uint8_t{3}}) {
      const _stream_query_ query = WholeDays(dates[d], day_count);
      const int query_handle = Tvfs_windows_get_query_stream_segment_handle(handle, &query);
      Check(query_handle >= 0 || IsDamage(query_handle));
      if (query_handle < 0) continue;
      int listed = static_cast<int>(results.size());
      Check(Tvfs_windows_query_stream_segment(handle, query_handle, STREAM_QUERY_LIST, &listed,
                                              results.data()) == 0);
      Check(listed >= 0 && listed <= static_cast<int>(results.size()));
      Check(Tvfs_windows_release_query_stream_segment_handle(handle, query_handle) == 0);
      if (day_count != 1) continue;
      for (int i = 0; i < listed; ++i) ReadSegment(handle, results[static_cast<size_t>(i)], dates[d], buffer);
    }
  }
  Check(Tvfs_windows_release_record_date_list2(dates) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const size_t chunk = 1 + data[0] * 53;
  tvfs::testing::ReadFaults faults;
  if ((data[1] & 0x1F) != 0) faults.max_per_read = (data[1] & 0x1Fu) * 7u;
  if (const unsigned f = data[1] >> 5; f != 0) {
    faults.fail_read = (f - 1) * 16 + 1 + data[0] % 16;
    faults.sticky = f >= 5;
  }
  const uint8_t lie = data[2];
  data += 3;
  size -= 3;
  faults.size_error = lie >= 128 ? -int64_t{lie - 127} : int64_t{lie} * 64;
  const int handle = Tvfs_windows_CreateTvfs();
  Check(handle >= 0);
  const int mounted = tvfs::MountSource(
      handle, std::make_shared<tvfs::testing::FaultyByteSource>(
                  std::vector<uint8_t>(data, data + size), faults));
  Check(mounted <= 0);
  if (mounted == 0) {
    WalkDisk(handle, chunk);
    Check(Tvfs_windows_umount(handle, 0) == 0);
  }
  Check(Tvfs_windows_DeleteTvfs(handle) == 0);
  return 0;
}
