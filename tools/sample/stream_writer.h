// Serialisation of one recorder stream frame: the 12-byte header, the
// extension items and the payload.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "brisca/stream/stream_frame.h"
#include "tools/sample/gps_route.h"

namespace brisca::tools::sample {

struct FrameContent {
  uint8_t stream_byte = 0;
  uint8_t type = kTypeVideoKey;
  uint64_t timestamp = 0;  // milliseconds; every frame carries one
  std::optional<VideoFormat> video_format;
  std::optional<WallClock> clock;  // year 2000-2255
  std::optional<AudioFormat> audio_format;
  std::optional<GpsReading> gps;
  std::span<const uint8_t> payload;  // borrowed for the call only
};

// The complete frame bytes. Throws std::length_error when the frame would
// exceed the size a reader accepts for its type.
std::vector<uint8_t> SerializeFrame(const FrameContent& content);

}  // namespace brisca::tools::sample
