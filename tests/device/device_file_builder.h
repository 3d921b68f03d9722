// Builds device recording files byte by byte for tests: a header with the
// chosen device type, clock, channels and texts, then chunks, noise and
// damage exactly as a test asks. Files go to a folder unique to the process
// (CTest runs tests in parallel processes).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "brisca/stream/info_record.h"

namespace brisca::testing {

// A telemetry record with a clock (2026-03-08 hh:mm:ss), a fix and an
// acceleration; `tag` goes into the speed so records can be told apart.
InfoRecord MakeInfo(uint8_t hour, uint8_t minute, uint8_t second, uint16_t tag);

class DeviceFileBuilder {
 public:
  DeviceFileBuilder();

  DeviceFileBuilder& DeviceType(const std::string& type);  // up to 12 bytes
  DeviceFileBuilder& HeaderByte(size_t offset, uint8_t value);
  DeviceFileBuilder& HeaderText(size_t offset, const std::string& text);
  // The header's end-of-data field (absolute offset).
  DeviceFileBuilder& DataEnd(uint32_t end);

  // A key chunk whose info block links back to the key chunk before it (or
  // `back_link` when given); without `info` it has no info block.
  DeviceFileBuilder& Key(uint64_t timestamp, std::optional<InfoRecord> info,
                         uint32_t payload_size = 100, std::optional<uint32_t> back_link = {});
  DeviceFileBuilder& Predicted(uint64_t timestamp, std::optional<InfoRecord> info = {},
                               uint32_t payload_size = 60);
  DeviceFileBuilder& Audio(uint8_t type = 2, uint16_t payload_size = 40);
  DeviceFileBuilder& Noise(size_t count);

  // Offsets of the key chunks written so far.
  const std::vector<uint32_t>& key_offsets() const { return key_offsets_; }
  size_t size() const { return bytes_.size(); }
  std::vector<uint8_t>& bytes() { return bytes_; }

  // Writes the file under `name` in the process's test folder; its path.
  std::string Write(const std::string& name = "recording.dav") const;

  // The payload byte pattern of a chunk written at `offset`.
  static uint8_t PayloadByte(size_t offset, size_t index);

 private:
  void Video(bool key, uint64_t timestamp, std::optional<InfoRecord> info, uint32_t payload_size);
  void Payload(uint32_t size);

  std::vector<uint8_t> bytes_;
  std::vector<uint32_t> key_offsets_;
};

// The process's test folder, made on first use.
std::string DeviceTestFolder();

}  // namespace brisca::testing
