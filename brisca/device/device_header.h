// The 64 KiB header of a device recording file, of which the first 592
// bytes are read: start and end clock (bytes 37 and 43: two-digit year,
// month, day, hour, minute, second), record type (50), audio type (58),
// end of the chunk data (68, absolute offset, 0 = end of file), device type
// text (80, 12 bytes), four 40-byte channel entries (100) and four text
// fields (A 372, C 388, B 512, D 532; 31 characters each).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "brisca/types/brisca_types.h"

namespace brisca {

inline constexpr size_t kDeviceHeaderReadSize = 592;

struct DeviceHeader {
  std::array<uint8_t, kDeviceHeaderReadSize> bytes{};

  // The device type: the bytes at 80 up to the first zero, at most 12 (a
  // type that fills the field needs no terminator).
  std::string_view DeviceType() const;
  // "KVR_REC_40XX" or "CAM_510_27XX" in any case, or any type beginning
  // with "CAM" as written.
  bool IsAccepted() const;
  uint8_t RecordType() const { return bytes[50]; }
  uint8_t AudioType() const { return bytes[58]; }
  // Absolute offset, 0 when the data runs to the end of the file.
  uint32_t DataEnd() const;
  // The first nonzero channel number of the four entries, 0 when none.
  uint8_t FirstChannel() const;
  // Start and end clock as calendar times (full years).
  BR_SYSTEMTIME StartTime() const { return ClockAt(37); }
  BR_SYSTEMTIME EndTime() const { return ClockAt(43); }
  // Copies the text fields A, B, C, D and the device type (11 characters)
  // into the record's device fields.
  void CopyTexts(RecFileParam* param) const;

 private:
  BR_SYSTEMTIME ClockAt(size_t offset) const;
};

// The calendar time of an info record's or header's six clock bytes (year
// counted from 2000).
BR_SYSTEMTIME DeviceClockTime(const uint8_t clock[6]);

}  // namespace brisca
