// A stream segment of the mounted recorder disk, read through the process's
// file-system instance, and the disk's date and segment queries.
#pragma once

#include <vector>

#include "brisca/recordings/base_file.h"
#include "platform/talvo_file_system/talvo_file_system.h"

namespace brisca {

class CNvrFile : public CBaseFile {
 public:
  ~CNvrFile() override;

  // `name` is a recording name "disk\a\b" (missing numbers are 0); 0 when
  // the segment opened, else 1.
  int OpenFile(const char* name, int mode) override;
  int Close() override;
  int Seek(int64_t offset, SeekOrigin origin) override;
  uint64_t Tell() override;
  // The segment's size from the file system, 0 on failure.
  uint64_t Size() override;
  // The file system's result: bytes read, 0 at the end, negative on error.
  int Read(void* buffer, uint32_t count) override;
  // The disk is read-only: always -1.
  int Write(const void* data, uint32_t count) override;
  int64_t ReadSome(void* buffer, uint32_t count) override;

  // Positions the open segment at a wall-clock time; 0 on success. When the
  // segment's time index is damaged, finds the same position by reading the
  // recording's key frames and their clocks from the start.
  int SeekToTime(const _fs_date_time_& when);

  // The recording dates of the mounted disk; 0 or the file system's error.
  static int DateList(std::vector<_fs_date_>& dates);
  // Every segment of `date` (at most `room`); 0, or the negative query
  // handle error, or the query's nonzero result.
  static int SegmentsOf(const _fs_date_& date, int room,
                        std::vector<_stream_query_result_>& segments);

 private:
  int SeekToTimeByScan(const _fs_date_time_& when);

  int stream_ = -1;
  _stream_segment_id_ id_{};
  bool index_damage_reported_ = false;
};

}  // namespace brisca
