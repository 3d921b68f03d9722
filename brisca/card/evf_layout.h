// The layout of a recording inside an evf container of a card: a 200-byte
// header, then index blocks of 180,048 bytes, each followed by the frame data
// it describes. All fields are little-endian; offsets inside a recording are
// relative to the recording's start in its container (its "region").
//
// These functions only interpret bytes the caller holds; they never read
// outside the arrays whose sizes the constants below give.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace brisca::evf {

inline constexpr size_t kHeaderSize = 200;
inline constexpr size_t kBlockSize = 180048;
// The first bytes of a block: its GUID, length and entry counts.
inline constexpr size_t kBlockHeadSize = 48;
inline constexpr uint32_t kMaxVideoEntries = 3000;
inline constexpr uint32_t kMaxAudioEntries = 4000;
inline constexpr size_t kVideoEntrySize = 28;
inline constexpr size_t kAudioEntrySize = 24;
inline constexpr uint8_t kKeyFrameType = 3;

using Guid = std::array<uint8_t, 16>;

// The header's four GUIDs (at offsets 0, 68, 124, 172) and the block GUID,
// in the Windows binary layout.
extern const Guid kHeaderGuids[4];
extern const size_t kHeaderGuidOffsets[4];
extern const Guid kBlockGuid;

// One frame of a block. `offset` is relative to the region start;
// `timestamp` is in microseconds.
struct Entry {
  uint32_t offset = 0;
  uint32_t length = 0;
  uint64_t timestamp = 0;
  uint8_t type = 0;  // video only: 3 = key frame
};

// Header (kHeaderSize bytes).
bool HeaderGuidsValid(const uint8_t* header);
float FrameRate(const uint8_t* header);
uint32_t BlockCount(const uint8_t* header);
// A new header: the four GUIDs, the frame rate and the block count; every
// other byte 0.
std::array<uint8_t, kHeaderSize> MakeHeader(float frame_rate, uint32_t block_count);

// Block head (the first kBlockHeadSize bytes are enough for these).
bool BlockGuidValid(const uint8_t* block);
uint32_t BlockLength(const uint8_t* block);
uint32_t VideoCount(const uint8_t* block);
uint32_t AudioCount(const uint8_t* block);
// The GUID is right, the length covers at least the block itself and both
// entry counts are within the block's tables.
bool BlockHeadValid(const uint8_t* block);

// Entries of a whole block (kBlockSize bytes); `index` below the table size.
Entry VideoEntry(const uint8_t* block, uint32_t index);
Entry AudioEntry(const uint8_t* block, uint32_t index);

// Writers' side: a zeroed block with its GUID, and the fields the writers
// set. Bytes not named here keep what the block holds.
void InitBlock(uint8_t* block);
void SetBlockLength(uint8_t* block, uint32_t length);
void SetCounts(uint8_t* block, uint32_t video, uint32_t audio);
void SetVideoEntry(uint8_t* block, uint32_t index, const Entry& entry);
void SetAudioEntry(uint8_t* block, uint32_t index, const Entry& entry);
// Replaces only the frame-data offset of an entry (copies keep the rest).
void SetVideoOffset(uint8_t* block, uint32_t index, uint32_t offset);
void SetAudioOffset(uint8_t* block, uint32_t index, uint32_t offset);

}  // namespace brisca::evf
