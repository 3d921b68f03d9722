#include "platform/talvo_file_system/disk_image_writer.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <system_error>

#include "platform/talvo_file_system/crc32c.h"

namespace tvfs {
namespace {

constexpr size_t kCopyChunk = 1 << 20;

struct DateGroup {
  DiskDate date;
  size_t first = 0;  // into the sorted order
  size_t count = 0;
};

// Where everything goes, decided before a byte is written.
struct Layout {
  std::vector<size_t> order;  // segment indexes in list order
  std::vector<DateGroup> dates;
  std::vector<SegmentEntry> entries;  // in list order
  uint64_t date_table_offset = 0;
  std::vector<uint64_t> table_offsets;  // per date
  uint64_t image_size = 0;
};

std::string CheckDescription(const SegmentDescription& segment) {
  if (segment.channel > kMaxChannel) return "channel above " + std::to_string(kMaxChannel);
  if (!IsValidDate(segment.date)) return "invalid date";
  if (!IsValidTime(segment.start) || !IsValidTime(segment.end)) return "invalid time of day";
  if (segment.time_index.size() > kMaxIndexEntries) return "time index too long";
  for (size_t i = 0; i < segment.time_index.size(); ++i) {
    const IndexEntry& entry = segment.time_index[i];
    if (entry.offset >= segment.data_size) return "time index entry past the data";
    if (i > 0 && (entry.second <= segment.time_index[i - 1].second ||
                  entry.offset <= segment.time_index[i - 1].offset)) {
      return "time index not strictly increasing";
    }
  }
  if (!segment.read_data && segment.data_size > 0) return "no data reader";
  return {};
}

uint32_t DateNumber(const DiskDate& date) {
  return (2000u + date.year) * 10000u + date.month * 100u + date.day;
}

Layout PlanLayout(const std::vector<SegmentDescription>& segments, uint32_t disk_number) {
  Layout layout;
  layout.order.resize(segments.size());
  for (size_t i = 0; i < segments.size(); ++i) layout.order[i] = i;
  std::stable_sort(layout.order.begin(), layout.order.end(), [&](size_t a, size_t b) {
    const SegmentDescription& x = segments[a];
    const SegmentDescription& y = segments[b];
    if (x.date != y.date) return x.date < y.date;
    if (x.start.Seconds() != y.start.Seconds()) return x.start.Seconds() < y.start.Seconds();
    return x.channel < y.channel;
  });
  for (size_t i = 0; i < layout.order.size(); ++i) {
    const DiskDate& date = segments[layout.order[i]].date;
    if (layout.dates.empty() || layout.dates.back().date != date) layout.dates.push_back({date, i, 0});
    ++layout.dates.back().count;
  }

  uint64_t offset = kSuperblockSize;
  layout.date_table_offset = offset;
  offset += layout.dates.size() * kDateEntrySize;
  for (const DateGroup& group : layout.dates) {
    layout.table_offsets.push_back(offset);
    offset += group.count * kSegmentEntrySize;
  }
  layout.entries.resize(segments.size());
  for (size_t i = 0; i < layout.order.size(); ++i) {
    const SegmentDescription& segment = segments[layout.order[i]];
    SegmentEntry& entry = layout.entries[i];
    entry.start = segment.start;
    entry.end = segment.end;
    entry.channel = segment.channel;
    entry.record_type = segment.record_type;
    entry.id = {disk_number, {DateNumber(segment.date), static_cast<uint32_t>(i + 1)}};
    entry.index_count = static_cast<uint32_t>(segment.time_index.size());
    entry.index_offset = offset;
    offset += segment.time_index.size() * kIndexEntrySize;
  }
  for (size_t i = 0; i < layout.order.size(); ++i) {
    layout.entries[i].data_offset = offset;
    layout.entries[i].data_size = segments[layout.order[i]].data_size;
    offset += layout.entries[i].data_size;
  }
  layout.image_size = offset;
  return layout;
}

std::vector<uint8_t> EncodeIndex(const std::vector<IndexEntry>& index) {
  std::vector<uint8_t> bytes(index.size() * kIndexEntrySize);
  for (size_t i = 0; i < index.size(); ++i) EncodeIndexEntry(index[i], bytes.data() + i * kIndexEntrySize);
  return bytes;
}

bool Put(std::ofstream& out, const std::vector<uint8_t>& bytes) {
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// Writes the tables and indexes; fills in the CRCs they carry.
bool WriteTables(std::ofstream& out, const std::vector<SegmentDescription>& segments,
                 Layout& layout, uint32_t disk_number) {
  std::vector<std::vector<uint8_t>> indexes(layout.order.size());
  for (size_t i = 0; i < layout.order.size(); ++i) {
    indexes[i] = EncodeIndex(segments[layout.order[i]].time_index);
    layout.entries[i].index_crc = Crc32c(indexes[i].data(), indexes[i].size());
  }
  std::vector<std::vector<uint8_t>> tables(layout.dates.size());
  std::vector<uint8_t> date_table(layout.dates.size() * kDateEntrySize);
  for (size_t d = 0; d < layout.dates.size(); ++d) {
    const DateGroup& group = layout.dates[d];
    tables[d].resize(group.count * kSegmentEntrySize);
    for (size_t i = 0; i < group.count; ++i) {
      EncodeSegmentEntry(layout.entries[group.first + i], tables[d].data() + i * kSegmentEntrySize);
    }
    const DateEntry entry{group.date, static_cast<uint32_t>(group.count), layout.table_offsets[d],
                          Crc32c(tables[d].data(), tables[d].size())};
    EncodeDateEntry(entry, date_table.data() + d * kDateEntrySize);
  }
  Superblock superblock;
  superblock.disk_number = disk_number;
  superblock.image_size = layout.image_size;
  superblock.date_table_offset = layout.date_table_offset;
  superblock.date_count = static_cast<uint32_t>(layout.dates.size());
  superblock.date_table_crc = Crc32c(date_table.data(), date_table.size());
  superblock.segment_count = static_cast<uint32_t>(layout.order.size());
  std::vector<uint8_t> head(kSuperblockSize);
  EncodeSuperblock(superblock, head.data());

  if (!Put(out, head) || !Put(out, date_table)) return false;
  for (const auto& table : tables) {
    if (!Put(out, table)) return false;
  }
  for (const auto& index : indexes) {
    if (!Put(out, index)) return false;
  }
  return true;
}

bool CopyData(std::ofstream& out, const SegmentDescription& segment, std::string& error) {
  std::vector<uint8_t> chunk(static_cast<size_t>(std::min<uint64_t>(kCopyChunk, segment.data_size)));
  for (uint64_t done = 0; done < segment.data_size;) {
    const auto length = static_cast<size_t>(std::min<uint64_t>(chunk.size(), segment.data_size - done));
    if (!segment.read_data(done, chunk.data(), length)) {
      error = "cannot read segment data";
      return false;
    }
    out.write(reinterpret_cast<const char*>(chunk.data()), static_cast<std::streamsize>(length));
    if (!out) {
      error = "cannot write the image";
      return false;
    }
    done += length;
  }
  return true;
}

}  // namespace

bool DiskImageWriter::AddSegment(SegmentDescription segment, std::string& error) {
  error = CheckDescription(segment);
  if (!error.empty()) return false;
  if (segments_.size() >= kMaxSegments) {
    error = "too many segments for one disk";
    return false;
  }
  segments_.push_back(std::move(segment));
  return true;
}

bool DiskImageWriter::Write(const std::string& path, WriteReport& report, std::string& error) const {
  Layout layout = PlanLayout(segments_, disk_number_);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) {
    error = "cannot create " + path;
    return false;
  }
  bool ok = WriteTables(out, segments_, layout, disk_number_);
  if (!ok) error = "cannot write the image";
  for (size_t i = 0; ok && i < layout.order.size(); ++i) {
    ok = CopyData(out, segments_[layout.order[i]], error);
  }
  out.close();
  if (ok && !out) {
    error = "cannot write the image";
    ok = false;
  }
  if (!ok) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    return false;
  }
  report.image_size = layout.image_size;
  report.segments.clear();
  for (size_t i = 0; i < layout.order.size(); ++i) {
    const SegmentDescription& segment = segments_[layout.order[i]];
    const SegmentEntry& entry = layout.entries[i];
    report.segments.push_back({entry.id, segment.date, entry.start, entry.end, entry.channel,
                               entry.record_type, entry.data_offset, entry.data_size,
                               segment.time_index.size()});
  }
  return true;
}

}  // namespace tvfs
