// The read behaviour a fuzz input gives the byte sources of its second
// pass, from its last three bytes: byte 0 bits 0-5 the read that fails
// (0: none) and bit 6 every read after it too; byte 1 the longest read
// handed out, in 61-byte steps (0: whole reads); byte 2 how far the
// reported size is off, in signed 509-byte steps.
#pragma once

#include <cstddef>
#include <cstdint>

#include "brisca/testing/faulty_file.h"

namespace brisca::fuzz {

inline constexpr size_t kReadFaultBytes = 3;

inline testing::ReadFaults ReadFaultsFrom(const uint8_t* data, size_t size) {
  const uint8_t* control = data + size - kReadFaultBytes;
  testing::ReadFaults faults;
  faults.fail_read = control[0] & 0x3F;
  faults.fail_after = (control[0] & 0x40) != 0;
  faults.max_read = control[1] * 61u;
  faults.size_delta = int64_t{static_cast<int8_t>(control[2])} * 509;
  return faults;
}

}  // namespace brisca::fuzz
