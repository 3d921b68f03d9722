// Composes a generated device recording: pictures encoded to H.264, voice
// frames, telemetry blocks on every key frame and at the chosen rate, all
// written as chunks in timestamp order.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "tools/device/device_options.h"

namespace brisca::tools::device {

struct DeviceSummary {
  uint32_t video_chunks = 0;
  uint32_t key_chunks = 0;
  uint32_t info_blocks = 0;
  uint32_t fixes = 0;  // info blocks with a valid fix
  uint32_t audio_chunks = 0;
  std::string start_text;  // "YYYY-MM-DD hh:mm:ss"
  std::string end_text;
  uint64_t bytes = 0;
};

// Writes the recording to `out` (seekable). Throws a std::exception when
// encoding or writing fails.
DeviceSummary GenerateDevice(const DeviceOptions& options, std::ostream& out);

}  // namespace brisca::tools::device
