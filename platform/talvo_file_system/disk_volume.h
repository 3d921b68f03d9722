// A mounted recorder disk: the validated catalogue of dates and segments,
// read once at mount and immutable afterwards, so any thread may use it.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/talvo_file_system/byte_source.h"
#include "platform/talvo_file_system/disk_format.h"

namespace tvfs {

struct Segment {
  DiskDate date;
  SegmentEntry entry;
};

struct DateSegments {
  DiskDate date;
  uint32_t first = 0;  // index into DiskVolume::segments()
  uint32_t count = 0;
  // TVFS_E_CORRUPT or TVFS_E_IO when the date's segment table could not be
  // read or checked; the date then lists no segments.
  int error = 0;
};

class DiskVolume {
 public:
  // Reads and checks the superblock, the date table and every segment table
  // of `source`. Returns 0 and sets `out`, TVFS_E_NOT_TVFS when the source
  // holds no recorder disk, TVFS_E_CORRUPT when a checksum, count, offset or
  // order is wrong, TVFS_E_IO when a read fails or comes short. A segment
  // table that fails costs only its own date (DateSegments::error); the
  // superblock and the date table fail the mount. Time indexes are checked
  // when their segment is opened (LoadTimeIndex), which keeps the mount
  // proportional to the number of segments.
  static int Mount(std::shared_ptr<const ByteSource> source, std::unique_ptr<DiskVolume>& out);

  uint32_t disk_number() const { return disk_number_; }
  // Ascending dates.
  const std::vector<DateSegments>& dates() const { return dates_; }
  // All segments in list order: by date, then start time, then channel.
  const std::vector<Segment>& segments() const { return segments_; }

  // The segment with `id`, or null.
  const Segment* Find(const SegmentId& id) const;

  // Reads and checks the segment's time index: 0, TVFS_E_CORRUPT or TVFS_E_IO.
  int LoadTimeIndex(const Segment& segment, std::vector<IndexEntry>& out) const;

  // Reads exactly `length` bytes at `position` of the segment's data, which
  // the caller keeps within the data size. 0 or TVFS_E_IO.
  int ReadData(const Segment& segment, uint64_t position, void* buffer, size_t length) const;

 private:
  struct IdHash {
    size_t operator()(const SegmentId& id) const;
  };

  explicit DiskVolume(std::shared_ptr<const ByteSource> source)
      : source_(std::move(source)) {}

  int ReadSuperblock(Superblock& superblock);
  int ReadDates(const Superblock& superblock, std::vector<DateEntry>& entries);
  int ReadSegmentTables(const std::vector<DateEntry>& entries);
  int ReadSegmentTable(const DateEntry& date, std::vector<uint8_t>& bytes);
  int CheckSegment(const SegmentEntry& entry, const SegmentEntry* previous) const;
  int CheckRegionsDisjoint(const Superblock& superblock, const std::vector<DateEntry>& entries) const;

  std::shared_ptr<const ByteSource> source_;
  uint32_t version_ = kFormatVersion;
  uint32_t disk_number_ = 0;
  uint64_t image_size_ = 0;
  std::vector<DateSegments> dates_;
  std::vector<Segment> segments_;
  std::unordered_map<SegmentId, uint32_t, IdHash> by_id_;
};

}  // namespace tvfs
