#include "brisca/device/device_header.h"

#include <algorithm>
#include <cstring>

namespace brisca {
namespace {

constexpr size_t kDeviceTypeOffset = 80;
constexpr size_t kDeviceTypeSize = 12;
constexpr size_t kChannelEntries = 100;
constexpr size_t kChannelEntrySize = 40;
constexpr size_t kTextLength = 31;
// Header offsets of the text fields in the order of the record's fields.
constexpr size_t kTextOffsets[4] = {372, 512, 388, 532};

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

// The text at `offset`, up to its zero or `limit` characters, whichever
// comes first, never past the bytes read.
std::string_view TextAt(const std::array<uint8_t, kDeviceHeaderReadSize>& bytes, size_t offset,
                        size_t limit) {
  const char* text = reinterpret_cast<const char*>(bytes.data()) + offset;
  const size_t room = std::min(limit, bytes.size() - offset);
  return {text, static_cast<size_t>(std::find(text, text + room, '\0') - text)};
}

}  // namespace

BR_SYSTEMTIME DeviceClockTime(const uint8_t clock[6]) {
  BR_SYSTEMTIME time{};
  time.year = static_cast<uint16_t>(2000 + clock[0]);
  time.month = clock[1];
  time.day = clock[2];
  time.hour = clock[3];
  time.minute = clock[4];
  time.second = clock[5];
  return time;
}

std::string_view DeviceHeader::DeviceType() const {
  return TextAt(bytes, kDeviceTypeOffset, kDeviceTypeSize);
}

bool DeviceHeader::IsAccepted() const {
  const std::string_view type = DeviceType();
  return EqualIgnoringCase(type, "KVR_REC_40XX") || EqualIgnoringCase(type, "CAM_510_27XX") ||
         type.starts_with("CAM");
}

uint32_t DeviceHeader::DataEnd() const {
  uint32_t end = 0;
  std::memcpy(&end, bytes.data() + 68, sizeof end);
  return end;
}

uint8_t DeviceHeader::FirstChannel() const {
  for (size_t entry = 0; entry < 4; ++entry) {
    const uint8_t channel = bytes[kChannelEntries + entry * kChannelEntrySize];
    if (channel != 0) return channel;
  }
  return 0;
}

void DeviceHeader::CopyTexts(RecFileParam* param) const {
  for (size_t field = 0; field < 4; ++field) {
    const std::string_view text = TextAt(bytes, kTextOffsets[field], kTextLength);
    std::memset(param->device_text[field], 0, sizeof param->device_text[field]);
    std::memcpy(param->device_text[field], text.data(), text.size());
  }
  const std::string_view type = DeviceType();
  std::memset(param->device_type, 0, sizeof param->device_type);
  std::memcpy(param->device_type, type.data(), std::min(type.size(), sizeof param->device_type));
}

BR_SYSTEMTIME DeviceHeader::ClockAt(size_t offset) const {
  return DeviceClockTime(bytes.data() + offset);
}

}  // namespace brisca
