#include "platform/talvo_file_system/segment_stream.h"

#include <algorithm>
#include <limits>

namespace tvfs {

int SegmentStream::Open(std::shared_ptr<const DiskVolume> volume, const Segment& segment,
                        std::shared_ptr<SegmentStream>& out) {
  std::vector<IndexEntry> index;
  const int index_error = volume->LoadTimeIndex(segment, index);
  out.reset(new SegmentStream(std::move(volume), segment, std::move(index), index_error));
  return 0;
}

int SegmentStream::Read(void* buffer, int length) {
  const std::lock_guard lock(mutex_);
  const uint64_t left = segment_.entry.data_size - position_;
  const auto count = static_cast<size_t>(std::min<uint64_t>(left, static_cast<uint64_t>(length)));
  if (count == 0) return 0;
  if (int error = volume_->ReadData(segment_, position_, buffer, count)) return error;
  position_ += count;
  return static_cast<int>(count);
}

int SegmentStream::SeekPosition(int64_t offset, int origin) {
  const std::lock_guard lock(mutex_);
  const uint64_t size = segment_.entry.data_size;
  // Image sizes are far below 2^63, so the bases convert without loss.
  int64_t base = 0;
  switch (origin) {
    case 0:
      break;
    case 1:
      base = static_cast<int64_t>(position_);
      break;
    case 2:
      base = static_cast<int64_t>(size);
      break;
    default:
      return TVFS_E_ARGUMENT;
  }
  int64_t target = 0;
  if (__builtin_add_overflow(base, offset, &target)) return TVFS_E_ARGUMENT;
  if (target < 0 || static_cast<uint64_t>(target) > size) return TVFS_E_ARGUMENT;
  position_ = static_cast<uint64_t>(target);
  return 0;
}

int64_t SegmentStream::Tell() const {
  const std::lock_guard lock(mutex_);
  return static_cast<int64_t>(position_);
}

int SegmentStream::SeekTime(const _fs_date_time_& when) {
  const DiskDate date{when.year, when.month, when.day};
  const TimeOfDay time{when.hour, when.minute, when.second};
  if (!IsValidDate(date) || !IsValidTime(time)) return TVFS_E_ARGUMENT;
  if (index_error_ != 0) return index_error_;
  // Seconds from midnight of the segment's date, as the index counts them.
  const int64_t target =
      (DayNumber(date) - DayNumber(segment_.date)) * int64_t{kSecondsPerDay} + time.Seconds();
  const auto after = std::upper_bound(
      index_.begin(), index_.end(), target,
      [](int64_t second, const IndexEntry& entry) { return second < int64_t{entry.second}; });
  const uint64_t position = after == index_.begin() ? 0 : std::prev(after)->offset;
  const std::lock_guard lock(mutex_);
  position_ = position;
  return 0;
}

}  // namespace tvfs
