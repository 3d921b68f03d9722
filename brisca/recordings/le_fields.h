// Little-endian fields of on-disk layouts, read and written with memcpy so
// that no field is accessed through a misaligned pointer. The library builds
// only for little-endian hosts (see info_record.h).
#pragma once

#include <cstdint>
#include <cstring>

namespace brisca {

template <typename T>
T LoadField(const uint8_t* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

template <typename T>
void StoreField(uint8_t* at, T value) {
  std::memcpy(at, &value, sizeof value);
}

}  // namespace brisca
