#include "brisca/card/card_index_layout.h"

#include "brisca/recordings/le_fields.h"

namespace brisca::card_index {
namespace {

constexpr size_t kCapacityOffset = 16;
constexpr size_t kInUseOffset = 20;
constexpr size_t kRingUsedOffset = 24;
constexpr size_t kOldestOffset = 28;
constexpr size_t kDescriptorOffset = 44;
constexpr size_t kDescriptorSize = 12;
static_assert(kDescriptorOffset + kDescriptorCount * kDescriptorSize <= kChecksumOffset);

size_t DescriptorAt(int k) { return kDescriptorOffset + static_cast<size_t>(k - 1) * kDescriptorSize; }

}  // namespace

Counts ReadCounts(const uint8_t* header) {
  Counts counts;
  counts.capacity = LoadField<uint32_t>(header + kCapacityOffset);
  counts.in_use = LoadField<uint32_t>(header + kInUseOffset);
  counts.ring_used = LoadField<uint32_t>(header + kRingUsedOffset);
  counts.oldest = LoadField<uint32_t>(header + kOldestOffset);
  return counts;
}

void WriteCounts(uint8_t* header, const Counts& counts) {
  StoreField(header + kCapacityOffset, counts.capacity);
  StoreField(header + kInUseOffset, counts.in_use);
  StoreField(header + kRingUsedOffset, counts.ring_used);
  StoreField(header + kOldestOffset, counts.oldest);
}

uint32_t ComputeChecksum(const uint8_t* header) {
  uint32_t sum = 0;
  for (size_t i = 0; i < kChecksumOffset; ++i) sum += header[i];
  return sum;
}

uint32_t StoredChecksum(const uint8_t* header) {
  return LoadField<uint32_t>(header + kChecksumOffset);
}

void SealChecksum(uint8_t* header) { StoreField(header + kChecksumOffset, ComputeChecksum(header)); }

Descriptor ReadDescriptor(const uint8_t* header, int k) {
  const uint8_t* at = header + DescriptorAt(k);
  Descriptor descriptor;
  descriptor.file_number = LoadField<uint16_t>(at);
  descriptor.last_slot = LoadField<uint16_t>(at + 2);
  descriptor.value_a = LoadField<uint32_t>(at + 4);
  descriptor.value_b = LoadField<uint32_t>(at + 8);
  return descriptor;
}

void WriteDescriptor(uint8_t* header, int k, const Descriptor& descriptor) {
  uint8_t* at = header + DescriptorAt(k);
  StoreField(at, descriptor.file_number);
  StoreField(at + 2, descriptor.last_slot);
  StoreField(at + 4, descriptor.value_a);
  StoreField(at + 8, descriptor.value_b);
}

FileEntry ReadFileEntry(const uint8_t* at) {
  FileEntry entry;
  entry.file_number = LoadField<uint32_t>(at);
  entry.channel = at[4];
  entry.reserved = at[5];
  entry.last_slot = LoadField<uint16_t>(at + 6);
  entry.value_a = LoadField<uint32_t>(at + 8);
  entry.value_b = LoadField<uint32_t>(at + 12);
  return entry;
}

void WriteFileEntry(uint8_t* at, const FileEntry& entry) {
  StoreField(at, entry.file_number);
  at[4] = entry.channel;
  at[5] = entry.reserved;
  StoreField(at + 6, entry.last_slot);
  StoreField(at + 8, entry.value_a);
  StoreField(at + 12, entry.value_b);
}

std::optional<std::vector<FileEntry>> UnrollFileTable(const uint8_t* header,
                                                      const uint8_t* ring) {
  const Counts counts = ReadCounts(header);
  if (counts.ring_used > counts.capacity ||
      (counts.ring_used > 0 && counts.oldest >= counts.capacity))
    return std::nullopt;
  std::vector<FileEntry> table;
  const uint32_t from_ring = counts.ring_used < counts.in_use ? counts.ring_used : counts.in_use;
  table.reserve(from_ring);
  uint32_t index = counts.oldest;
  for (uint32_t i = 0; i < from_ring; ++i) {
    table.push_back(ReadFileEntry(ring + size_t{index} * kFileEntrySize));
    if (++index == counts.capacity) index = 0;
  }
  for (int k = 1; k <= kDescriptorCount && table.size() < counts.in_use; ++k) {
    const Descriptor descriptor = ReadDescriptor(header, k);
    if (descriptor.file_number == kNoOpenFile) continue;
    FileEntry entry;
    entry.file_number = descriptor.file_number;
    entry.channel = static_cast<uint8_t>(k);
    entry.last_slot = descriptor.last_slot;
    entry.value_a = descriptor.value_a;
    entry.value_b = descriptor.value_b;
    table.push_back(entry);
  }
  return table;
}

uint64_t RecordingEntryPosition(uint64_t base, uint32_t file_number, uint32_t slot) {
  return base + kRecordingTableSize * file_number + uint64_t{kRecordingEntrySize} * slot;
}

uint8_t RecordType(const uint8_t* entry) { return entry[0]; }
uint8_t InfoByte(const uint8_t* entry) { return entry[1]; }
uint8_t AudioCodec(const uint8_t* entry) { return entry[4]; }
uint32_t StartSeconds(const uint8_t* entry) { return LoadField<uint32_t>(entry + 16); }
uint32_t EndSeconds(const uint8_t* entry) { return LoadField<uint32_t>(entry + 20); }
uint32_t RegionOffset(const uint8_t* entry) { return LoadField<uint32_t>(entry + 24); }
void SetRegionOffset(uint8_t* entry, uint32_t offset) { StoreField(entry + 24, offset); }

}  // namespace brisca::card_index
