// The chunks of a device recording file, one after another from offset
// 0x10000 (little-endian):
//   video: 24-byte header (0 identifier "c0ip" key or "c1ip" predicted,
//          8 payload length u32, 12 info length u16 (0 or 48), 16 timestamp
//          u64 in microseconds), the info block, then the H.264 payload;
//   audio: 8-byte header (0 identifier "c2aa" or "c3aa", 4 payload length
//          u16), then the payload.
// The first identifier byte is '0'-'?' (its low four bits a channel digit).
#pragma once

#include <cstddef>
#include <cstdint>

namespace brisca {

inline constexpr uint64_t kDeviceDataStart = 0x10000;
inline constexpr size_t kDeviceVideoHeaderSize = 24;
inline constexpr size_t kDeviceAudioHeaderSize = 8;
inline constexpr uint32_t kDeviceInfoSize = 48;
// The largest chunk a reader accepts. A longer one is taken for damage: no
// recorder writes a frame that large, and it would size an allocation.
inline constexpr uint64_t kDeviceMaxChunkSize = 16u << 20;

enum class DeviceChunkKind { kVideoKey, kVideoPredicted, kAudio };

struct DeviceChunk {
  DeviceChunkKind kind = DeviceChunkKind::kVideoKey;
  uint8_t channel = 0;      // low four bits of the first identifier byte
  uint8_t audio_type = 0;   // 2 or 3 for audio chunks
  uint32_t header_size = 0;
  uint32_t info_length = 0;     // video: 0 or 48
  uint32_t payload_length = 0;
  uint64_t timestamp = 0;       // video: microseconds; audio: none
  uint64_t total_size = 0;      // header + info + payload

  bool is_video() const { return kind != DeviceChunkKind::kAudio; }
};

enum class ChunkMatch {
  kNone,      // no chunk starts here
  kNeedMore,  // an identifier whose header is not all in the bytes given;
              // kind and header size are set
  kChunk,     // a chunk header; the chunk itself may run past the bytes
};

// Recognises a chunk header at `bytes` (`available` bytes readable). A video
// header whose info length is neither 0 nor 48 is not a chunk.
ChunkMatch MatchDeviceChunk(const uint8_t* bytes, size_t available, DeviceChunk* chunk);

// True when the four bytes are a key-frame chunk identifier.
bool IsKeyChunkIdentifier(const uint8_t* bytes);

}  // namespace brisca
