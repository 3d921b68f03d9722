#include "brisca/disk/disk_segment_source.h"

#include <algorithm>
#include <cstdlib>

#include "brisca/disk/tvfs_instance.h"
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
  return Tvfs_windows_seek_stream_segment(ProcessTvfs().handle(), stream_, &when, 0);
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
