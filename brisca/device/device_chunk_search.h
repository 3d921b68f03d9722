// Searches of a device recording's chunk data for video chunk headers by
// their identifiers, forward or backward from a byte position, as used to
// find the first and last timestamps and to step between key frames.
// Positions are absolute file offsets; only chunks starting at or after the
// data start (0x10000) and lying inside the data are found.
#pragma once

#include <cstdint>
#include <optional>

#include "brisca/device/device_chunk.h"
#include "brisca/device/device_source.h"

namespace brisca {

struct LocatedChunk {
  uint64_t position = 0;
  DeviceChunk chunk;
};

struct ChunkFilter {
  bool key_only = true;       // else any video chunk
  bool whole_chunk = true;    // the whole chunk (at most kDeviceMaxChunkSize) inside the
                              // data, else just its header
};

// The first matching chunk starting at or after `from`.
std::optional<LocatedChunk> FindChunkForward(DeviceSource& source, uint64_t from,
                                             ChunkFilter filter);
// The last matching chunk starting before `before`.
std::optional<LocatedChunk> FindChunkBackward(DeviceSource& source, uint64_t before,
                                              ChunkFilter filter);

}  // namespace brisca
