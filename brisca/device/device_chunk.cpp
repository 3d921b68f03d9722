#include "brisca/device/device_chunk.h"

#include <cstring>

#include "brisca/recordings/le_fields.h"

namespace brisca {
namespace {

bool IsChannelByte(uint8_t byte) { return byte >= 0x30 && byte <= 0x3F; }

}  // namespace

bool IsKeyChunkIdentifier(const uint8_t* bytes) {
  return IsChannelByte(bytes[0]) && std::memcmp(bytes + 1, "0ip", 3) == 0;
}

ChunkMatch MatchDeviceChunk(const uint8_t* bytes, size_t available, DeviceChunk* chunk) {
  if (available < 4 || !IsChannelByte(bytes[0])) return ChunkMatch::kNone;
  DeviceChunk found;
  found.channel = bytes[0] & 0x0F;
  const uint8_t* tag = bytes + 1;
  if (std::memcmp(tag, "0ip", 3) == 0) {
    found.kind = DeviceChunkKind::kVideoKey;
  } else if (std::memcmp(tag, "1ip", 3) == 0) {
    found.kind = DeviceChunkKind::kVideoPredicted;
  } else if ((tag[0] == '2' || tag[0] == '3') && tag[1] == 'a' && tag[2] == 'a') {
    found.kind = DeviceChunkKind::kAudio;
    found.audio_type = static_cast<uint8_t>(tag[0] - '0');
  } else {
    return ChunkMatch::kNone;
  }
  if (found.is_video()) {
    found.header_size = kDeviceVideoHeaderSize;
    if (available < found.header_size) {
      *chunk = found;
      return ChunkMatch::kNeedMore;
    }
    found.payload_length = LoadField<uint32_t>(bytes + 8);
    found.info_length = LoadField<uint16_t>(bytes + 12);
    found.timestamp = LoadField<uint64_t>(bytes + 16);
    if (found.info_length != 0 && found.info_length != kDeviceInfoSize) return ChunkMatch::kNone;
  } else {
    found.header_size = kDeviceAudioHeaderSize;
    if (available < found.header_size) {
      *chunk = found;
      return ChunkMatch::kNeedMore;
    }
    found.payload_length = LoadField<uint16_t>(bytes + 4);
  }
  found.total_size = uint64_t{found.header_size} + found.info_length + found.payload_length;
  *chunk = found;
  return ChunkMatch::kChunk;
}

}  // namespace brisca
