// Writes a device recording file: the 64 KiB header (its first 592 bytes
// filled when the file is finished, since they hold the end time and the
// end of the data), then video and audio chunks. Key-frame chunks get the
// back link to the key-frame chunk before them in their info block.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string>

#include "brisca/stream/info_record.h"
#include "brisca/stream/stream_frame.h"

namespace brisca::tools::device {

struct DeviceHeaderFields {
  WallClock start;  // full years 2000-2099
  WallClock end;
  uint8_t record_type = 0;
  uint8_t audio_type = 0;       // 0: not given
  std::string device_type;      // up to 12 characters
  uint8_t channel = 1;          // the first channel entry
  // Text fields A, B, C, D; at most 15, 19, 31 and 31 characters (A and B
  // would otherwise run into the fields after them).
  std::array<std::string, 4> texts;
  bool write_data_end = false;  // else the header says "to the end of the file"
};

class DeviceFileWriter {
 public:
  // `out` must be seekable; it is written from its start.
  explicit DeviceFileWriter(std::ostream& out);

  // A video chunk; `info` (48 bytes) when it carries telemetry. Key chunks'
  // info blocks get the back link at offset 32.
  void PutVideo(uint8_t channel, bool key, uint64_t timestamp_us,
                std::optional<InfoRecord> info, std::span<const uint8_t> payload);
  // An audio chunk of type 2 or 3; payloads are below 64 KiB.
  void PutAudio(uint8_t channel, uint8_t audio_type, std::span<const uint8_t> payload);
  // Writes the header. Throws std::runtime_error when writing failed.
  void Finish(const DeviceHeaderFields& fields);

  uint64_t bytes() const { return position_; }

 private:
  void Write(const void* data, size_t size);

  std::ostream& out_;
  uint64_t position_ = 0;
  uint64_t last_key_position_ = 0;
};

}  // namespace brisca::tools::device
