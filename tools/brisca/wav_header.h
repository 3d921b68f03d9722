// WAV header for a mono 8 kHz IMA ADPCM stream of fixed-size blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace brisca::tools {

// The 48-byte RIFF/WAVE header (fmt chunk of format 0x11 with its
// samples-per-block extension, and the data chunk header) for `data_size`
// bytes of blocks of `block_size` bytes each.
std::vector<uint8_t> ImaAdpcmWavHeader(size_t data_size, size_t block_size);

}  // namespace brisca::tools
