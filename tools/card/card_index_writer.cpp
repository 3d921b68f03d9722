#include "tools/card/card_index_writer.h"

#include <algorithm>
#include <stdexcept>

#include "brisca/recordings/le_fields.h"

namespace brisca::tools::card {
namespace {

namespace ci = brisca::card_index;

void CheckFile(const IndexedFile& file) {
  if (file.recordings.empty() || file.recordings.size() > ci::kSlotsPerFile)
    throw std::invalid_argument("a card file holds 1-256 recordings");
}

void PutRecording(uint8_t* at, const IndexedRecording& recording) {
  at[0] = recording.record_type;
  at[1] = recording.info_byte;
  at[4] = recording.audio_codec;
  StoreField(at + 16, recording.start_seconds);
  StoreField(at + 20, recording.end_seconds);
  StoreField(at + 24, recording.region_offset);
}

ci::FileEntry EntryOf(const IndexedFile& file) {
  ci::FileEntry entry;
  entry.file_number = file.file_number;
  entry.channel = file.channel;
  entry.last_slot = static_cast<uint16_t>(file.recordings.size() - 1);
  return entry;
}

void PutDescriptor(uint8_t* header, uint8_t channel, const IndexedFile& file) {
  if (channel < 1 || channel > ci::kDescriptorCount)
    throw std::invalid_argument("descriptor channel must be 1-32");
  ci::Descriptor descriptor;
  descriptor.file_number = static_cast<uint16_t>(file.file_number);
  descriptor.last_slot = static_cast<uint16_t>(file.recordings.size() - 1);
  ci::WriteDescriptor(header, channel, descriptor);
}

}  // namespace

std::vector<uint8_t> BuildCardIndex(const CardIndexLayout& layout) {
  const uint32_t capacity = layout.ring_capacity;
  if (layout.ring_files.size() > capacity ||
      (!layout.ring_files.empty() && layout.oldest >= capacity))
    throw std::invalid_argument("the ring files do not fit the ring");
  uint32_t highest = 0;
  for (const auto* files : {&layout.ring_files, &layout.open_files}) {
    for (const IndexedFile& file : *files) {
      CheckFile(file);
      highest = std::max(highest, file.file_number);
    }
  }
  const uint64_t base = ci::kHeaderSize + uint64_t{capacity} * ci::kFileEntrySize;
  std::vector<uint8_t> bytes(base + ci::kRecordingTableSize * (uint64_t{highest} + 1), 0);
  uint8_t* header = bytes.data();
  for (int k = 1; k <= ci::kDescriptorCount; ++k) ci::WriteDescriptor(header, k, {});
  const uint32_t used = static_cast<uint32_t>(layout.ring_files.size());
  const int64_t in_use = layout.in_use >= 0 ? layout.in_use : used + layout.open_files.size();
  ci::WriteCounts(header, {capacity, static_cast<uint32_t>(in_use), used, layout.oldest});

  auto put_tables = [&](const IndexedFile& file) {
    for (size_t s = 0; s < file.recordings.size(); ++s)
      PutRecording(bytes.data() + ci::RecordingEntryPosition(base, file.file_number,
                                                             static_cast<uint32_t>(s)),
                   file.recordings[s]);
  };
  for (uint32_t i = 0; i < used; ++i) {
    const IndexedFile& file = layout.ring_files[i];
    const uint32_t slot = (layout.oldest + i) % capacity;
    ci::WriteFileEntry(bytes.data() + ci::kHeaderSize + size_t{slot} * ci::kFileEntrySize,
                       EntryOf(file));
    put_tables(file);
  }
  for (const IndexedFile& file : layout.open_files) {
    PutDescriptor(header, file.channel, file);
    put_tables(file);
  }
  for (const auto& descriptor : layout.extra_descriptors) {
    const auto& [channel, file_number] = descriptor;
    const auto named = std::find_if(
        layout.ring_files.begin(), layout.ring_files.end(),
        [&descriptor](const IndexedFile& f) { return f.file_number == descriptor.second; });
    if (named == layout.ring_files.end())
      throw std::invalid_argument("an extra descriptor names no ring file");
    PutDescriptor(header, channel, *named);
  }
  if (layout.seal_checksum) ci::SealChecksum(header);
  return bytes;
}

}  // namespace brisca::tools::card
