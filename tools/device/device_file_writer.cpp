#include "tools/device/device_file_writer.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <vector>

#include "brisca/device/device_chunk.h"
#include "brisca/device/device_header.h"

namespace brisca::tools::device {
namespace {

template <typename T>
void Store(uint8_t* at, T value) {
  std::memcpy(at, &value, sizeof value);
}

void StoreClock(uint8_t* at, const WallClock& clock) {
  at[0] = static_cast<uint8_t>(clock.year - 2000);
  at[1] = clock.month;
  at[2] = clock.day;
  at[3] = clock.hour;
  at[4] = clock.minute;
  at[5] = clock.second;
}

void StoreText(uint8_t* at, const std::string& text, size_t limit) {
  std::memcpy(at, text.data(), std::min(text.size(), limit));
}

uint8_t ChannelByte(uint8_t channel) { return static_cast<uint8_t>(0x30 | (channel & 0x0F)); }

}  // namespace

DeviceFileWriter::DeviceFileWriter(std::ostream& out) : out_(out) {
  const std::vector<uint8_t> header(kDeviceDataStart, 0);
  Write(header.data(), header.size());
}

void DeviceFileWriter::Write(const void* data, size_t size) {
  out_.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  position_ += size;
}

void DeviceFileWriter::PutVideo(uint8_t channel, bool key, uint64_t timestamp_us,
                                std::optional<InfoRecord> info,
                                std::span<const uint8_t> payload) {
  uint8_t header[kDeviceVideoHeaderSize] = {};
  header[0] = ChannelByte(channel);
  std::memcpy(header + 1, key ? "0ip" : "1ip", 3);
  Store<uint32_t>(header + 8, static_cast<uint32_t>(payload.size()));
  Store<uint16_t>(header + 12, info ? uint16_t{kDeviceInfoSize} : uint16_t{0});
  Store<uint64_t>(header + 16, timestamp_us);
  if (key && info) {
    // Offsets past 4 GiB cannot be linked; such a link reads as "none".
    info->prev_key_chunk = last_key_position_ <= std::numeric_limits<uint32_t>::max()
                               ? static_cast<uint32_t>(last_key_position_)
                               : 0;
  }
  if (key) last_key_position_ = position_;
  Write(header, sizeof header);
  if (info) Write(&*info, sizeof *info);
  Write(payload.data(), payload.size());
}

void DeviceFileWriter::PutAudio(uint8_t channel, uint8_t audio_type,
                                std::span<const uint8_t> payload) {
  uint8_t header[kDeviceAudioHeaderSize] = {};
  header[0] = ChannelByte(channel);
  header[1] = static_cast<uint8_t>('0' + audio_type);
  header[2] = 'a';
  header[3] = 'a';
  Store<uint16_t>(header + 4, static_cast<uint16_t>(payload.size()));
  Write(header, sizeof header);
  Write(payload.data(), payload.size());
}

void DeviceFileWriter::Finish(const DeviceHeaderFields& fields) {
  std::array<uint8_t, kDeviceHeaderReadSize> header{};
  StoreClock(&header[37], fields.start);
  StoreClock(&header[43], fields.end);
  header[50] = fields.record_type;
  header[58] = fields.audio_type;
  if (fields.write_data_end && position_ <= std::numeric_limits<uint32_t>::max())
    Store<uint32_t>(&header[68], static_cast<uint32_t>(position_));
  StoreText(&header[80], fields.device_type, 12);
  header[100] = fields.channel;
  StoreText(&header[372], fields.texts[0], 15);
  StoreText(&header[512], fields.texts[1], 19);
  StoreText(&header[388], fields.texts[2], 31);
  StoreText(&header[532], fields.texts[3], 31);
  out_.seekp(0);
  out_.write(reinterpret_cast<const char*>(header.data()), header.size());
  out_.flush();
  if (!out_) throw std::runtime_error("cannot write the device file");
}

}  // namespace brisca::tools::device
