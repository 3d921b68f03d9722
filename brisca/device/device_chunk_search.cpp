#include "brisca/device/device_chunk_search.h"

#include <algorithm>
#include <vector>

namespace brisca {
namespace {

constexpr size_t kSearchWindow = 64 * 1024;

// A chunk at `position` whose header starts at `bytes` with `available`
// bytes read, or nothing when the filter refuses it.
std::optional<LocatedChunk> Accept(const DeviceSource& source, uint64_t position,
                                   const uint8_t* bytes, size_t available, ChunkFilter filter) {
  if (filter.key_only ? !IsKeyChunkIdentifier(bytes)
                      : !(bytes[0] >= 0x30 && bytes[0] <= 0x3F &&
                          (bytes[1] == '0' || bytes[1] == '1') && bytes[2] == 'i' &&
                          bytes[3] == 'p')) {
    return std::nullopt;
  }
  LocatedChunk found{position, {}};
  if (MatchDeviceChunk(bytes, available, &found.chunk) != ChunkMatch::kChunk)
    return std::nullopt;
  const uint64_t extent = filter.whole_chunk ? found.chunk.total_size : found.chunk.header_size;
  if (filter.whole_chunk && extent > kDeviceMaxChunkSize) return std::nullopt;
  if (extent > source.data_end() - position) return std::nullopt;
  return found;
}

}  // namespace

std::optional<LocatedChunk> FindChunkForward(DeviceSource& source, uint64_t from,
                                             ChunkFilter filter) {
  std::vector<uint8_t> window(kSearchWindow);
  uint64_t base = std::max(from, kDeviceDataStart);
  while (base < source.data_end()) {
    const size_t wanted =
        static_cast<size_t>(std::min<uint64_t>(window.size(), source.data_end() - base));
    const size_t count = source.ReadAt(base, window.data(), wanted);
    if (count < kDeviceVideoHeaderSize) return std::nullopt;
    // Identifiers whose header the window cuts are tried again at the start
    // of the next window.
    const size_t last = count - kDeviceVideoHeaderSize;
    for (size_t i = 0; i <= last; ++i) {
      if (window[i + 2] != 'i') continue;  // cheap test before the full one
      if (auto found = Accept(source, base + i, &window[i], count - i, filter)) return found;
    }
    if (base + count >= source.data_end()) return std::nullopt;
    base += last + 1;
  }
  return std::nullopt;
}

std::optional<LocatedChunk> FindChunkBackward(DeviceSource& source, uint64_t before,
                                              ChunkFilter filter) {
  std::vector<uint8_t> window(kSearchWindow + kDeviceVideoHeaderSize);
  uint64_t end = std::min(before, source.data_end());
  while (end > kDeviceDataStart) {
    const uint64_t start = end - std::min<uint64_t>(kSearchWindow, end - kDeviceDataStart);
    // Read on past `end` so that headers starting just before it are whole.
    const size_t wanted = static_cast<size_t>(
        std::min<uint64_t>(window.size(), source.data_end() - start));
    const size_t count = source.ReadAt(start, window.data(), wanted);
    const size_t starts = static_cast<size_t>(end - start);
    for (size_t i = std::min(starts, count); i-- > 0;) {
      if (count - i < kDeviceVideoHeaderSize || window[i + 2] != 'i') continue;
      if (auto found = Accept(source, start + i, &window[i], count - i, filter)) return found;
    }
    end = start;
  }
  return std::nullopt;
}

}  // namespace brisca
