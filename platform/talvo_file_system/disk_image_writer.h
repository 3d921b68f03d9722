// Builds recorder-disk images: collects segment descriptions, then writes
// the superblock, the tables, the time indexes and every segment's data in
// one pass. Segment data is pulled through a reader callback in chunks, so
// segments of any size are copied without holding them in memory.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/talvo_file_system/disk_format.h"

namespace tvfs {

// Fills `length` bytes of segment data starting at `offset`; false when the
// data cannot be read.
using SegmentDataReader = std::function<bool(uint64_t offset, uint8_t* out, size_t length)>;

struct SegmentDescription {
  uint8_t channel = 0;      // 0-based, at most kMaxChannel
  uint8_t record_type = 0;  // cause bits (kCause*), any byte
  DiskDate date;            // the date of the first frame
  TimeOfDay start;          // first frame
  TimeOfDay end;            // last frame; earlier than start past midnight
  // Seconds from midnight of `date` (so past 86399 after midnight) and the
  // data offset of the frame to play from; both strictly increasing, offsets
  // below data_size.
  std::vector<IndexEntry> time_index;
  uint64_t data_size = 0;
  SegmentDataReader read_data;
};

struct WrittenSegment {
  SegmentId id;
  DiskDate date;
  TimeOfDay start;
  TimeOfDay end;
  uint8_t channel = 0;
  uint8_t record_type = 0;
  uint64_t data_offset = 0;
  uint64_t data_size = 0;
  size_t index_entries = 0;
};

struct WriteReport {
  uint64_t image_size = 0;
  std::vector<WrittenSegment> segments;  // in list order
};

class DiskImageWriter {
 public:
  explicit DiskImageWriter(uint32_t disk_number) : disk_number_(disk_number) {}

  // Queues one segment. Returns false and a one-line reason in `error` when
  // a field is out of range or the disk limits would be exceeded.
  bool AddSegment(SegmentDescription segment, std::string& error);

  // Writes the image to `path` (replacing it). Segment ids are
  // {disk number, date as YYYYMMDD, running number from 1 in list order}.
  // Returns false with a reason, removing the partial file, when writing or
  // reading segment data fails.
  bool Write(const std::string& path, WriteReport& report, std::string& error) const;

 private:
  uint32_t disk_number_;
  std::vector<SegmentDescription> segments_;
};

}  // namespace tvfs
