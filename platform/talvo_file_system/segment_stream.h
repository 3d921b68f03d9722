// One open stream segment: a read position over the segment's data and its
// time index. Each stream has its own lock, so different streams of a disk
// are read from different threads at the same time.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/talvo_file_system/disk_volume.h"
#include "platform/talvo_file_system/talvo_file_system.h"

namespace tvfs {

class SegmentStream {
 public:
  // Opens `segment` of `volume` at position 0. Returns 0 and sets `out`. A
  // time index that cannot be read or fails its checks does not keep the
  // recording from being read: the stream opens without it and SeekTime
  // reports the index's error, so the caller can find the time by reading.
  static int Open(std::shared_ptr<const DiskVolume> volume, const Segment& segment,
                  std::shared_ptr<SegmentStream>& out);

  // Reads up to `length` bytes from the position and advances it. Returns
  // the bytes read, 0 at the end, TVFS_E_IO with the position unchanged.
  int Read(void* buffer, int length);
  // 0, or TVFS_E_ARGUMENT (position unchanged) for a bad origin or a target
  // outside [0, size].
  int SeekPosition(int64_t offset, int origin);
  int64_t Tell() const;
  // Positions at the last time-index entry at or before `when`, at 0 when
  // `when` is earlier than every entry. TVFS_E_ARGUMENT for an invalid date
  // or time; TVFS_E_CORRUPT or TVFS_E_IO, position unchanged, when the
  // segment's time index was unusable.
  int SeekTime(const _fs_date_time_& when);

 private:
  SegmentStream(std::shared_ptr<const DiskVolume> volume, const Segment& segment,
                std::vector<IndexEntry> index, int index_error)
      : volume_(std::move(volume)),
        segment_(segment),
        index_(std::move(index)),
        index_error_(index_error) {}

  // The volume outlives the stream, so `segment_` stays valid.
  const std::shared_ptr<const DiskVolume> volume_;
  const Segment& segment_;
  const std::vector<IndexEntry> index_;
  const int index_error_;  // 0, or why the time index could not be used

  mutable std::mutex mutex_;
  uint64_t position_ = 0;  // guarded by mutex_; never above the data size
};

}  // namespace tvfs
