#include "tests/device/device_file_builder.h"

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "brisca/device/device_chunk.h"

namespace brisca::testing {

InfoRecord MakeInfo(uint8_t hour, uint8_t minute, uint8_t second, uint16_t tag) {
  InfoRecord info;
  std::memset(&info, 0, sizeof info);
  info.year = 26;
  info.month = 3;
  info.day = 8;
  info.hour = hour;
  info.minute = minute;
  info.second = second;
  info.fix_status = 'A';
  info.speed_kmh = tag;
  info.lat_degrees = 48;
  info.lat_minutes = 51;
  info.lat_fraction = 123456;
  info.lon_degrees = 2;
  info.lon_minutes = 21;
  info.lon_fraction = 654321;
  info.heading = 9000;
  info.north_south = 'N';
  info.east_west = 'E';
  info.fraction_digits = 6;
  info.accel_x = 410;
  info.accel_y = -205;
  info.accel_z = 4096;
  return info;
}

DeviceFileBuilder::DeviceFileBuilder() : bytes_(kDeviceDataStart, 0) {
  DeviceType("KVR_REC_40XX");
  // 2026-03-08 14:05:09 to 14:06:09, channel entry 1 holds channel 2.
  const uint8_t start[6] = {26, 3, 8, 14, 5, 9};
  const uint8_t end[6] = {26, 3, 8, 14, 6, 9};
  std::memcpy(&bytes_[37], start, 6);
  std::memcpy(&bytes_[43], end, 6);
  bytes_[140] = 2;
}

DeviceFileBuilder& DeviceFileBuilder::DeviceType(const std::string& type) {
  std::memset(&bytes_[80], 0, 12);
  std::memcpy(&bytes_[80], type.data(), std::min<size_t>(type.size(), 12));
  return *this;
}

DeviceFileBuilder& DeviceFileBuilder::HeaderByte(size_t offset, uint8_t value) {
  bytes_[offset] = value;
  return *this;
}

DeviceFileBuilder& DeviceFileBuilder::HeaderText(size_t offset, const std::string& text) {
  std::memcpy(&bytes_[offset], text.data(), text.size());
  return *this;
}

DeviceFileBuilder& DeviceFileBuilder::DataEnd(uint32_t end) {
  std::memcpy(&bytes_[68], &end, sizeof end);
  return *this;
}

uint8_t DeviceFileBuilder::PayloadByte(size_t offset, size_t index) {
  return static_cast<uint8_t>((offset * 7 + index * 13) & 0x7F);
}

void DeviceFileBuilder::Payload(uint32_t size) {
  const size_t offset = bytes_.size();
  for (uint32_t i = 0; i < size; ++i) bytes_.push_back(PayloadByte(offset, i));
}

void DeviceFileBuilder::Video(bool key, uint64_t timestamp, std::optional<InfoRecord> info,
                              uint32_t payload_size) {
  uint8_t header[kDeviceVideoHeaderSize] = {};
  header[0] = '1';
  std::memcpy(header + 1, key ? "0ip" : "1ip", 3);
  std::memcpy(header + 8, &payload_size, 4);
  const uint16_t info_length = info ? kDeviceInfoSize : 0;
  std::memcpy(header + 12, &info_length, 2);
  std::memcpy(header + 16, &timestamp, 8);
  bytes_.insert(bytes_.end(), header, header + sizeof header);
  if (info) {
    const auto* raw = reinterpret_cast<const uint8_t*>(&*info);
    bytes_.insert(bytes_.end(), raw, raw + sizeof *info);
  }
  Payload(payload_size);
}

DeviceFileBuilder& DeviceFileBuilder::Key(uint64_t timestamp, std::optional<InfoRecord> info,
                                          uint32_t payload_size,
                                          std::optional<uint32_t> back_link) {
  if (info) {
    info->prev_key_chunk = back_link.value_or(key_offsets_.empty() ? 0 : key_offsets_.back());
  }
  key_offsets_.push_back(static_cast<uint32_t>(bytes_.size()));
  Video(true, timestamp, info, payload_size);
  return *this;
}

DeviceFileBuilder& DeviceFileBuilder::Predicted(uint64_t timestamp, std::optional<InfoRecord> info,
                                                uint32_t payload_size) {
  Video(false, timestamp, info, payload_size);
  return *this;
}

DeviceFileBuilder& DeviceFileBuilder::Audio(uint8_t type, uint16_t payload_size) {
  const uint8_t header[kDeviceAudioHeaderSize] = {
      '1', static_cast<uint8_t>('0' + type), 'a', 'a',
      static_cast<uint8_t>(payload_size & 0xFF), static_cast<uint8_t>(payload_size >> 8), 0, 0};
  bytes_.insert(bytes_.end(), header, header + sizeof header);
  Payload(payload_size);
  return *this;
}

DeviceFileBuilder& DeviceFileBuilder::Noise(size_t count) {
  for (size_t i = 0; i < count; ++i) bytes_.push_back(static_cast<uint8_t>(0xA5 ^ i));
  return *this;
}

namespace {

// Removed with everything in it when the process ends.
struct TestFolder {
  TestFolder()
      : path(std::filesystem::temp_directory_path() /
             ("brisca-device-test-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(path);
  }
  ~TestFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  std::filesystem::path path;
};

}  // namespace

std::string DeviceTestFolder() {
  static const TestFolder folder;
  return folder.path.string();
}

std::string DeviceFileBuilder::Write(const std::string& name) const {
  const std::string path = DeviceTestFolder() + "/" + name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes_.data()),
            static_cast<std::streamsize>(bytes_.size()));
  return path;
}

}  // namespace brisca::testing
