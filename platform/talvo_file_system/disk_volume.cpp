#include "platform/talvo_file_system/disk_volume.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "platform/talvo_file_system/crc32c.h"
#include "platform/talvo_file_system/talvo_file_system.h"

namespace tvfs {
namespace {

struct Region {
  uint64_t offset = 0;
  uint64_t size = 0;
};

// Whether `count` records of `record_size` bytes at `offset` lie within the
// image after the superblock. Checked before anything is allocated for them.
bool FitsImage(uint64_t offset, uint64_t count, uint64_t record_size, uint64_t image_size) {
  if (offset < kSuperblockSize || offset > image_size) return false;
  return count <= (image_size - offset) / record_size;
}

// Tables are read in steps and the buffer grows only by what arrived, so a
// medium that claims more than it holds fails before much is allocated.
constexpr size_t kTableStep = size_t{1} << 20;

int ReadTable(const ByteSource& source, uint64_t offset, uint64_t count, size_t record_size,
              uint32_t expected_crc, std::vector<uint8_t>& bytes) {
  const auto total = static_cast<size_t>(count) * record_size;
  bytes.clear();
  uint32_t crc = 0;
  while (bytes.size() < total) {
    const size_t done = bytes.size();
    const size_t step = std::min(kTableStep, total - done);
    bytes.resize(done + step);
    if (const int error = ReadExact(source, offset + done, bytes.data() + done, step)) return error;
    crc = Crc32c(bytes.data() + done, step, crc);
  }
  return crc == expected_crc ? 0 : TVFS_E_CORRUPT;
}

bool ListOrderBefore(const SegmentEntry& a, const SegmentEntry& b) {
  const uint32_t a_start = a.start.Seconds();
  const uint32_t b_start = b.start.Seconds();
  return a_start != b_start ? a_start < b_start : a.channel < b.channel;
}

}  // namespace

size_t DiskVolume::IdHash::operator()(const SegmentId& id) const {
  uint64_t value = id.disk;
  value = value * 0x9E3779B97F4A7C15ull ^ id.number[0];
  value = value * 0x9E3779B97F4A7C15ull ^ id.number[1];
  return static_cast<size_t>(value ^ (value >> 29));
}

int DiskVolume::Mount(std::shared_ptr<const ByteSource> source, std::unique_ptr<DiskVolume>& out) {
  std::unique_ptr<DiskVolume> volume(new DiskVolume(std::move(source)));
  Superblock superblock;
  std::vector<DateEntry> entries;
  if (int error = volume->ReadSuperblock(superblock)) return error;
  if (int error = volume->ReadDates(superblock, entries)) return error;
  if (int error = volume->ReadSegmentTables(entries)) return error;
  if (int error = volume->CheckRegionsDisjoint(superblock, entries)) return error;
  out = std::move(volume);
  return 0;
}

int DiskVolume::ReadSuperblock(Superblock& superblock) {
  const uint64_t medium_size = source_->Size();
  if (medium_size < kMagic.size()) return TVFS_E_NOT_TVFS;
  uint8_t bytes[kSuperblockSize] = {};
  // Enough for the magic test first: a short medium that is not ours is
  // "not a recorder disk", one of ours cut short is corrupt.
  if (int error = ReadExact(*source_, 0, bytes, kMagic.size())) return error;
  if (!std::equal(kMagic.begin(), kMagic.end(), bytes)) return TVFS_E_NOT_TVFS;
  if (medium_size < kSuperblockSize) return TVFS_E_CORRUPT;
  if (int error = ReadExact(*source_, 0, bytes, kSuperblockSize)) return error;
  switch (DecodeSuperblock(bytes, superblock)) {
    case SuperblockCheck::kNotOurs:
      return TVFS_E_NOT_TVFS;
    case SuperblockCheck::kCorrupt:
      return TVFS_E_CORRUPT;
    case SuperblockCheck::kOk:
      break;
  }
  // An image larger than the medium was cut short. Positions within the
  // image are kept below 2^63 so that they convert to signed offsets.
  if (superblock.image_size < kSuperblockSize || superblock.image_size > medium_size ||
      superblock.image_size > static_cast<uint64_t>(INT64_MAX)) {
    return TVFS_E_CORRUPT;
  }
  // Every date and segment needs a table entry inside the image, so the
  // image bounds the counts (and what is reserved for them) as well.
  const uint64_t table_room = superblock.image_size - kSuperblockSize;
  if (superblock.date_count > kMaxDates || superblock.segment_count > kMaxSegments ||
      superblock.date_count > table_room / kDateEntrySize ||
      superblock.segment_count > table_room / kSegmentEntrySize) {
    return TVFS_E_CORRUPT;
  }
  version_ = superblock.version;
  disk_number_ = superblock.disk_number;
  image_size_ = superblock.image_size;
  return 0;
}

int DiskVolume::ReadDates(const Superblock& superblock, std::vector<DateEntry>& entries) {
  if (superblock.date_count == 0) return superblock.segment_count == 0 ? 0 : TVFS_E_CORRUPT;
  if (!FitsImage(superblock.date_table_offset, superblock.date_count, kDateEntrySize,
                 image_size_)) {
    return TVFS_E_CORRUPT;
  }
  std::vector<uint8_t> bytes;
  if (int error = ReadTable(*source_, superblock.date_table_offset, superblock.date_count,
                            kDateEntrySize, superblock.date_table_crc, bytes)) {
    return error;
  }
  entries.reserve(superblock.date_count);
  uint64_t total = 0;
  for (uint32_t i = 0; i < superblock.date_count; ++i) {
    const DateEntry entry = DecodeDateEntry(bytes.data() + size_t{i} * kDateEntrySize);
    if (!IsValidDate(entry.date) || entry.segment_count == 0) return TVFS_E_CORRUPT;
    if (!entries.empty() && !(entries.back().date < entry.date)) return TVFS_E_CORRUPT;
    total += entry.segment_count;
    if (total > superblock.segment_count) return TVFS_E_CORRUPT;
    entries.push_back(entry);
  }
  return total == superblock.segment_count ? 0 : TVFS_E_CORRUPT;
}

int DiskVolume::CheckSegment(const SegmentEntry& entry, const SegmentEntry* previous) const {
  if (!IsValidTime(entry.start) || !IsValidTime(entry.end)) return TVFS_E_CORRUPT;
  if (entry.channel > kMaxChannel) return TVFS_E_CORRUPT;
  if (version_ == 1 && entry.record_type > kMaxVersion1RecordType) return TVFS_E_CORRUPT;
  if (entry.id.disk != disk_number_) return TVFS_E_CORRUPT;
  if (previous && ListOrderBefore(entry, *previous)) return TVFS_E_CORRUPT;
  if (!FitsImage(entry.data_offset, entry.data_size, 1, image_size_)) return TVFS_E_CORRUPT;
  if (entry.index_count > kMaxIndexEntries ||
      !FitsImage(entry.index_offset, entry.index_count, kIndexEntrySize, image_size_)) {
    return TVFS_E_CORRUPT;
  }
  // Every index entry points inside the data, so an index needs data.
  if (entry.index_count > entry.data_size) return TVFS_E_CORRUPT;
  return 0;
}

int DiskVolume::ReadSegmentTables(const std::vector<DateEntry>& entries) {
  size_t total = 0;
  for (const DateEntry& entry : entries) total += entry.segment_count;
  segments_.reserve(total);
  dates_.reserve(entries.size());
  by_id_.reserve(total);
  std::vector<uint8_t> bytes;
  for (const DateEntry& date : entries) {
    const auto first = static_cast<uint32_t>(segments_.size());
    if (const int error = ReadSegmentTable(date, bytes)) {
      // Only this date is lost: its segments leave the catalogue again.
      for (uint32_t i = first; i < segments_.size(); ++i) by_id_.erase(segments_[i].entry.id);
      segments_.resize(first);
      dates_.push_back({date.date, first, 0, error});
      continue;
    }
    dates_.push_back({date.date, first, date.segment_count, 0});
  }
  return 0;
}

int DiskVolume::ReadSegmentTable(const DateEntry& date, std::vector<uint8_t>& bytes) {
  if (!FitsImage(date.table_offset, date.segment_count, kSegmentEntrySize, image_size_)) {
    return TVFS_E_CORRUPT;
  }
  if (int error = ReadTable(*source_, date.table_offset, date.segment_count, kSegmentEntrySize,
                            date.table_crc, bytes)) {
    return error;
  }
  const SegmentEntry* previous = nullptr;
  for (uint32_t i = 0; i < date.segment_count; ++i) {
    const SegmentEntry entry = DecodeSegmentEntry(bytes.data() + size_t{i} * kSegmentEntrySize);
    if (int error = CheckSegment(entry, previous)) return error;
    const auto index = static_cast<uint32_t>(segments_.size());
    if (!by_id_.emplace(entry.id, index).second) return TVFS_E_CORRUPT;
    // Reserved for every date's segments, so `previous` stays valid.
    segments_.push_back({date.date, entry});
    previous = &segments_.back().entry;
  }
  return 0;
}

// Tables, indexes and data runs each own their bytes; any overlap means the
// locations were damaged. With no links between records there is nothing
// that could form a cycle.
int DiskVolume::CheckRegionsDisjoint(const Superblock& superblock,
                                     const std::vector<DateEntry>& entries) const {
  std::vector<Region> regions;
  regions.reserve(2 + entries.size() + 2 * segments_.size());
  regions.push_back({0, kSuperblockSize});
  regions.push_back({superblock.date_table_offset, uint64_t{superblock.date_count} * kDateEntrySize});
  // A damaged date's table may point anywhere; it is read no further.
  for (size_t i = 0; i < entries.size(); ++i) {
    if (dates_[i].error != 0) continue;
    regions.push_back(
        {entries[i].table_offset, uint64_t{entries[i].segment_count} * kSegmentEntrySize});
  }
  for (const Segment& segment : segments_) {
    regions.push_back({segment.entry.index_offset,
                       uint64_t{segment.entry.index_count} * kIndexEntrySize});
    regions.push_back({segment.entry.data_offset, segment.entry.data_size});
  }
  std::erase_if(regions, [](const Region& region) { return region.size == 0; });
  std::sort(regions.begin(), regions.end(),
            [](const Region& a, const Region& b) { return a.offset < b.offset; });
  for (size_t i = 1; i < regions.size(); ++i) {
    // FitsImage bounded every region by the image size, so this cannot wrap.
    if (regions[i].offset < regions[i - 1].offset + regions[i - 1].size) return TVFS_E_CORRUPT;
  }
  return 0;
}

const Segment* DiskVolume::Find(const SegmentId& id) const {
  const auto it = by_id_.find(id);
  return it == by_id_.end() ? nullptr : &segments_[it->second];
}

int DiskVolume::LoadTimeIndex(const Segment& segment, std::vector<IndexEntry>& out) const {
  const SegmentEntry& entry = segment.entry;
  std::vector<uint8_t> bytes;
  if (int error = ReadTable(*source_, entry.index_offset, entry.index_count, kIndexEntrySize,
                            entry.index_crc, bytes)) {
    return error;
  }
  std::vector<IndexEntry> index;
  index.reserve(entry.index_count);
  for (uint32_t i = 0; i < entry.index_count; ++i) {
    const IndexEntry item = DecodeIndexEntry(bytes.data() + size_t{i} * kIndexEntrySize);
    if (item.offset >= entry.data_size) return TVFS_E_CORRUPT;
    if (!index.empty() &&
        (item.second <= index.back().second || item.offset <= index.back().offset)) {
      return TVFS_E_CORRUPT;
    }
    index.push_back(item);
  }
  out = std::move(index);
  return 0;
}

int DiskVolume::ReadData(const Segment& segment, uint64_t position, void* buffer,
                         size_t length) const {
  return ReadExact(*source_, segment.entry.data_offset + position, buffer, length);
}

}  // namespace tvfs
