// CRC-32C (Castagnoli), the checksum of every table on a recorder disk.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tvfs {

// The CRC-32C of `size` bytes at `data`, continuing from `crc` (0 to start).
uint32_t Crc32c(const uint8_t* data, size_t size, uint32_t crc = 0);

}  // namespace tvfs
