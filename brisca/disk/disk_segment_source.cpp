#include "brisca/disk/disk_segment_source.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "brisca/base/damage_report.h"
#include "brisca/disk/tvfs_instance.h"
#include "brisca/stream/stream_frame.h"
#include "platform/talvo_file_system/day_query.h"

namespace brisca {
namespace {

// "disk\a\b": three numbers separated by backslashes; missing parts stay 0.
_stream_segment_id_ ParseRecordingName(const char* name) {
  _stream_segment_id_ id{};
  uint32_t* parts[] = {&id.disk, &id.number[0], &id.number[1]};
  const char* cursor = name;
  for (uint32_t* part : parts) {
    char* end = nullptr;
    *part = static_cast<uint32_t>(std::strtoul(cursor, &end, 10));
    if (end == cursor || *end != '\\') break;
    cursor = end + 1;
  }
  return id;
}

// Twice the largest frame, so a frame that starts in the first half always
// fits once the window is topped up.
constexpr size_t kScanWindow = 2 * size_t{kMaxFrameSize} + 4096;

int64_t DayNumber(int year, unsigned month, unsigned day) {
  using namespace std::chrono;
  return sys_days{year_month_day{std::chrono::year{year}, std::chrono::month{month},
                                 std::chrono::day{day}}}
      .time_since_epoch()
      .count();
}

}  // namespace

CNvrFile::~CNvrFile() { Close(); }

int CNvrFile::OpenFile(const char* name, int) {
  Close();
  if (!name) return 1;
  id_ = ParseRecordingName(name);
  stream_ = Tvfs_windows_open_stream_segment(ProcessTvfs().handle(), &id_, 0xFFFF, 0);
  if (stream_ < 0) {
    stream_ = -1;
    return 1;
  }
  return 0;
}

int CNvrFile::Close() {
  if (stream_ >= 0) Tvfs_windows_close_stream_segment(ProcessTvfs().handle(), stream_);
  stream_ = -1;
  return 0;
}

int CNvrFile::Seek(int64_t offset, SeekOrigin origin) {
  // The file system takes the C library's numbering: 0 start, 1 current, 2 end.
  return Tvfs_windows_seek_stream_segment_pos(ProcessTvfs().handle(), stream_, offset,
                                              static_cast<int>(origin));
}

uint64_t CNvrFile::Tell() {
  int64_t position = 0;
  if (Tvfs_windows_stream_segment_tell(ProcessTvfs().handle(), stream_, &position) != 0 ||
      position < 0)
    return 0;
  return static_cast<uint64_t>(position);
}

uint64_t CNvrFile::Size() {
  _stream_segment_info_ info{};
  if (Tvfs_windows_get_stream_segment_info(ProcessTvfs().handle(), &id_, &info) != 0) return 0;
  return info.size;
}

int CNvrFile::Read(void* buffer, uint32_t count) {
  return Tvfs_windows_read_video_data(ProcessTvfs().handle(), stream_, buffer,
                                      static_cast<int>(count & 0x7FFFFFFF), nullptr);
}

int CNvrFile::Write(const void*, uint32_t) { return -1; }

int64_t CNvrFile::ReadSome(void* buffer, uint32_t count) { return Read(buffer, count); }

int CNvrFile::SeekToTime(const _fs_date_time_& when) {
  const int result = Tvfs_windows_seek_stream_segment(ProcessTvfs().handle(), stream_, &when, 0);
  if (result != TVFS_E_CORRUPT && result != TVFS_E_IO) return result;
  if (!index_damage_reported_) {
    index_damage_reported_ = true;
    ReportDamage("recorder disk: recording %u\\%u\\%u has a damaged time index (error %d); "
                 "seeking by reading the recording instead",
                 id_.disk, id_.number[0], id_.number[1], result);
  }
  return SeekToTimeByScan(when);
}

// The position the time index would give: the index holds, per second from
// midnight of the segment's date, the first key frame whose clock shows that
// second, leaving out clocks that go backwards; a seek goes to the last entry
// at or before `when`, or to 0.
int CNvrFile::SeekToTimeByScan(const _fs_date_time_& when) {
  const int tvfs = ProcessTvfs().handle();
  _stream_segment_info_ info{};
  if (const int error = Tvfs_windows_get_stream_segment_info(tvfs, &id_, &info)) return error;
  const int64_t segment_day = DayNumber(2000 + info.date.year, info.date.month, info.date.day);
  const int64_t target =
      (DayNumber(2000 + when.year, when.month, when.day) - segment_day) * 86400 +
      (when.hour * 60 + when.minute) * 60 + when.second;
  if (const int error = Tvfs_windows_seek_stream_segment_pos(tvfs, stream_, 0, 0)) return error;

  std::vector<uint8_t> window(kScanWindow);
  size_t filled = 0;
  size_t position = 0;
  uint64_t window_start = 0;  // segment offset of window[0]
  bool at_end = false;
  uint64_t best = 0;
  int64_t last_second = -1;
  for (;;) {
    StreamFrame frame;
    const ScanResult scan = ScanForFrame(window.data() + position, filled - position, frame);
    if (scan.match == FrameMatch::kFrame) {
      const uint64_t offset = window_start + position + scan.offset;
      position += scan.offset + frame.total_size;
      if (!frame.IsVideo() || !frame.IsKey() || !frame.has_clock) continue;
      const WallClock& clock = frame.clock;
      const int64_t second = (DayNumber(clock.year, clock.month, clock.day) - segment_day) * 86400 +
                             clock.SecondsOfDay();
      if (second <= last_second) continue;
      if (second > target) break;
      best = offset;
      last_second = second;
      continue;
    }
    if (at_end) {
      // A false candidate near the end: look past its first byte.
      if (scan.match != FrameMatch::kNeedMoreData || position + scan.offset + 1 >= filled) break;
      position += scan.offset + 1;
      continue;
    }
    // Bytes before the candidate are noise; keep the candidate and top the
    // window up behind it (moved once per refill, not per candidate).
    position += scan.offset;
    if (position == 0 && filled == window.size()) position = 1;
    std::memmove(window.data(), window.data() + position, filled - position);
    window_start += position;
    filled -= position;
    position = 0;
    while (filled < window.size()) {
      const int got = Read(window.data() + filled, static_cast<uint32_t>(window.size() - filled));
      if (got < 0) return got;
      if (got == 0) {
        at_end = true;
        break;
      }
      filled += static_cast<size_t>(got);
    }
  }
  return Tvfs_windows_seek_stream_segment_pos(tvfs, stream_, static_cast<int64_t>(best), 0);
}

int CNvrFile::DateList(std::vector<_fs_date_>& dates) {
  _fs_date_* list = nullptr;
  int count = 0;
  const int result = Tvfs_windows_get_record_date_list2(ProcessTvfs().handle(), &list, &count);
  if (result != 0) return result;
  if (list && count > 0) dates.assign(list, list + count);
  Tvfs_windows_release_record_date_list2(list);
  return 0;
}

int CNvrFile::SegmentsOf(const _fs_date_& date, int room,
                         std::vector<_stream_query_result_>& segments) {
  const _stream_query_ query = tvfs::WholeDayQuery(date, static_cast<uint32_t>(room));

  const int tvfs = ProcessTvfs().handle();
  const int handle = Tvfs_windows_get_query_stream_segment_handle(tvfs, &query);
  if (handle < 0) return handle;
  segments.resize(static_cast<size_t>(room));
  int count = room;
  const int result =
      Tvfs_windows_query_stream_segment(tvfs, handle, STREAM_QUERY_LIST, &count, segments.data());
  Tvfs_windows_release_query_stream_segment_handle(tvfs, handle);
  segments.resize(result == 0 && count > 0 ? static_cast<size_t>(std::min(count, room)) : 0);
  return result;
}

}  // namespace brisca
