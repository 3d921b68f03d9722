#include "brisca/card/evf_layout.h"

#include <cstring>

#include "brisca/recordings/le_fields.h"

namespace brisca::evf {
namespace {

// A GUID {d1-d2-d3-d4} in the Windows binary layout: the first three groups
// little-endian, the last eight bytes in written order.
constexpr Guid MakeGuid(uint32_t d1, uint16_t d2, uint16_t d3, uint64_t d4) {
  Guid guid{};
  for (int i = 0; i < 4; ++i) guid[i] = static_cast<uint8_t>(d1 >> (8 * i));
  for (int i = 0; i < 2; ++i) guid[4 + i] = static_cast<uint8_t>(d2 >> (8 * i));
  for (int i = 0; i < 2; ++i) guid[6 + i] = static_cast<uint8_t>(d3 >> (8 * i));
  for (int i = 0; i < 8; ++i) guid[8 + i] = static_cast<uint8_t>(d4 >> (8 * (7 - i)));
  return guid;
}

constexpr size_t kFrameRateOffset = 96;
constexpr size_t kBlockCountOffset = 192;
constexpr size_t kLengthOffset = 16;
constexpr size_t kVideoCountOffset = 28;
constexpr size_t kAudioCountOffset = 32;
constexpr size_t kVideoTableOffset = 48;
constexpr size_t kAudioTableOffset = kVideoTableOffset + kMaxVideoEntries * kVideoEntrySize;
constexpr size_t kVideoTypeOffset = 20;
static_assert(kAudioTableOffset + kMaxAudioEntries * kAudioEntrySize == kBlockSize);

Entry LoadEntry(const uint8_t* at) {
  Entry entry;
  entry.offset = LoadField<uint32_t>(at);
  entry.length = LoadField<uint32_t>(at + 4);
  entry.timestamp = LoadField<uint64_t>(at + 8);
  return entry;
}

void StoreEntry(uint8_t* at, const Entry& entry) {
  StoreField(at, entry.offset);
  StoreField(at + 4, entry.length);
  StoreField(at + 8, entry.timestamp);
}

size_t VideoAt(uint32_t index) { return kVideoTableOffset + size_t{index} * kVideoEntrySize; }

size_t AudioAt(uint32_t index) { return kAudioTableOffset + size_t{index} * kAudioEntrySize; }

}  // namespace

const Guid kHeaderGuids[4] = {
    MakeGuid(0x487E98BF, 0x78AA, 0x4023, 0xA6407B10FDAB0498),
    MakeGuid(0x7B5FD898, 0x333F, 0x47B2, 0xA7FB3F32E25CABE2),
    MakeGuid(0xDA499F1B, 0xFD2C, 0x4B5C, 0xA6F5E762A385D09A),
    MakeGuid(0x9B2ED911, 0x78BA, 0x475C, 0xA21B426A0529EB72),
};
const size_t kHeaderGuidOffsets[4] = {0, 68, 124, 172};
const Guid kBlockGuid = MakeGuid(0x28269164, 0x28D2, 0x4585, 0xA83A7156903975C9);

bool HeaderGuidsValid(const uint8_t* header) {
  for (int i = 0; i < 4; ++i) {
    if (std::memcmp(header + kHeaderGuidOffsets[i], kHeaderGuids[i].data(), 16) != 0)
      return false;
  }
  return true;
}

float FrameRate(const uint8_t* header) { return LoadField<float>(header + kFrameRateOffset); }

uint32_t BlockCount(const uint8_t* header) { return LoadField<uint32_t>(header + kBlockCountOffset); }

std::array<uint8_t, kHeaderSize> MakeHeader(float frame_rate, uint32_t block_count) {
  std::array<uint8_t, kHeaderSize> header{};
  for (int i = 0; i < 4; ++i)
    std::memcpy(header.data() + kHeaderGuidOffsets[i], kHeaderGuids[i].data(), 16);
  StoreField(header.data() + kFrameRateOffset, frame_rate);
  StoreField(header.data() + kBlockCountOffset, block_count);
  return header;
}

bool BlockGuidValid(const uint8_t* block) {
  return std::memcmp(block, kBlockGuid.data(), kBlockGuid.size()) == 0;
}

uint32_t BlockLength(const uint8_t* block) { return LoadField<uint32_t>(block + kLengthOffset); }

uint32_t VideoCount(const uint8_t* block) { return LoadField<uint32_t>(block + kVideoCountOffset); }

uint32_t AudioCount(const uint8_t* block) { return LoadField<uint32_t>(block + kAudioCountOffset); }

bool BlockHeadValid(const uint8_t* block) {
  return BlockGuidValid(block) && BlockLength(block) >= kBlockSize &&
         VideoCount(block) <= kMaxVideoEntries && AudioCount(block) <= kMaxAudioEntries;
}

Entry VideoEntry(const uint8_t* block, uint32_t index) {
  const uint8_t* at = block + VideoAt(index);
  Entry entry = LoadEntry(at);
  entry.type = at[kVideoTypeOffset];
  return entry;
}

Entry AudioEntry(const uint8_t* block, uint32_t index) {
  return LoadEntry(block + AudioAt(index));
}

void InitBlock(uint8_t* block) {
  std::memset(block, 0, kBlockSize);
  std::memcpy(block, kBlockGuid.data(), kBlockGuid.size());
}

void SetBlockLength(uint8_t* block, uint32_t length) { StoreField(block + kLengthOffset, length); }

void SetCounts(uint8_t* block, uint32_t video, uint32_t audio) {
  StoreField(block + kVideoCountOffset, video);
  StoreField(block + kAudioCountOffset, audio);
}

void SetVideoEntry(uint8_t* block, uint32_t index, const Entry& entry) {
  uint8_t* at = block + VideoAt(index);
  StoreEntry(at, entry);
  at[kVideoTypeOffset] = entry.type;
}

void SetAudioEntry(uint8_t* block, uint32_t index, const Entry& entry) {
  StoreEntry(block + AudioAt(index), entry);
}

void SetVideoOffset(uint8_t* block, uint32_t index, uint32_t offset) {
  StoreField(block + VideoAt(index), offset);
}

void SetAudioOffset(uint8_t* block, uint32_t index, uint32_t offset) {
  StoreField(block + AudioAt(index), offset);
}

}  // namespace brisca::evf
