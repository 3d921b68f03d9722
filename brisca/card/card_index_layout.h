// The layout of a card index file ("index00.bin", or "%d_index00.bin" in an
// export folder), little-endian:
//
//   0    512-byte header: ring capacity N (16), entries in use C (20), ring
//        entries in use U (24), oldest ring entry S (28), 32 channel
//        descriptors of 12 bytes (44), byte sum of bytes 0-507 (508)
//   512  the file ring: N file entries of 16 bytes
//   512 + 16 N + 8192 F   the recording table of file number F: up to 256
//        recording entries of 32 bytes, slot 0 first
//
// These functions interpret bytes the caller holds and never read outside
// the sizes the constants give.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace brisca::card_index {

inline constexpr size_t kHeaderSize = 512;
inline constexpr size_t kChecksumOffset = 508;
inline constexpr size_t kFileEntrySize = 16;
inline constexpr size_t kRecordingEntrySize = 32;
inline constexpr uint64_t kRecordingTableSize = 8192;
inline constexpr uint32_t kSlotsPerFile = kRecordingTableSize / kRecordingEntrySize;  // 256
inline constexpr int kDescriptorCount = 32;
inline constexpr uint16_t kNoOpenFile = 0xFFFF;
// The containers live in the volume's root directory, which FAT limits to
// 65,536 entries: a larger ring cannot describe existing files. An export
// index writes ring and open-file entries as one ring, 32 more at most.
inline constexpr uint32_t kMaxRingEntries = 65536 + 32;
// File number that marks a broken entry.
inline constexpr uint32_t kBadFileNumber = 255;
// Channel values of an entry that was not recorded on a known channel.
inline constexpr uint8_t kNoChannel = 0;
inline constexpr uint8_t kUnusedChannel = 255;

struct Counts {
  uint32_t capacity = 0;  // N
  uint32_t in_use = 0;    // C: ring entries plus open-file entries
  uint32_t ring_used = 0; // U
  uint32_t oldest = 0;    // S: ring index of the oldest entry
};

// One file entry of the table: a container and the recordings it holds.
struct FileEntry {
  uint32_t file_number = 0;  // selects "fly%05d.evf" and the recording table
  uint8_t channel = 0;       // 1-32; 0 or 255 = not known
  uint8_t reserved = 0;      // byte 5, copied unchanged
  uint16_t last_slot = 0;    // number of recordings minus one
  uint32_t value_a = 0;      // copied unchanged
  uint32_t value_b = 0;
};

// A channel descriptor: the file channel k (1-32) is writing now.
struct Descriptor {
  uint16_t file_number = kNoOpenFile;
  uint16_t last_slot = 0;
  uint32_t value_a = 0;
  uint32_t value_b = 0;
};

// Header (kHeaderSize bytes).
Counts ReadCounts(const uint8_t* header);
void WriteCounts(uint8_t* header, const Counts& counts);
// Sum of bytes 0-507 as unsigned bytes, and the stored sum.
uint32_t ComputeChecksum(const uint8_t* header);
uint32_t StoredChecksum(const uint8_t* header);
void SealChecksum(uint8_t* header);
// k from 1 to 32.
Descriptor ReadDescriptor(const uint8_t* header, int k);
void WriteDescriptor(uint8_t* header, int k, const Descriptor& descriptor);

FileEntry ReadFileEntry(const uint8_t* at);
void WriteFileEntry(uint8_t* at, const FileEntry& entry);

// The file table in time order: the U ring entries from ring index S,
// wrapping at N, then an entry {file number, channel k, last slot, A, B}
// for each descriptor k = 1..32 with an open file, until C entries are
// filled (fewer when there are not enough). `ring` holds 16 N bytes.
// Nothing when the ring counts contradict each other (U above N, or S not
// below N while U is nonzero): such a ring names entries that do not exist.
std::optional<std::vector<FileEntry>> UnrollFileTable(const uint8_t* header,
                                                      const uint8_t* ring);

// Byte position of slot `slot` of file `file_number`'s recording table,
// for a table area that starts at `base`.
uint64_t RecordingEntryPosition(uint64_t base, uint32_t file_number, uint32_t slot);

// Fields of a 32-byte recording entry.
uint8_t RecordType(const uint8_t* entry);    // byte 0, the recorder's code
uint8_t InfoByte(const uint8_t* entry);      // byte 1
uint8_t AudioCodec(const uint8_t* entry);    // byte 4
uint32_t StartSeconds(const uint8_t* entry); // since 1970, recorder's wall clock
uint32_t EndSeconds(const uint8_t* entry);
uint32_t RegionOffset(const uint8_t* entry); // the recording's start in its container
void SetRegionOffset(uint8_t* entry, uint32_t offset);

}  // namespace brisca::card_index
