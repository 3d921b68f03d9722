// Decoder of one mono IMA ADPCM WAV block: 16-bit little-endian first
// sample, step index (0-88), a reserved byte, then 4-bit codes, low nibble
// first. Blocks are independent of each other.
#pragma once

#include <cstddef>
#include <cstdint>

namespace voice {

inline constexpr size_t kImaBlockHeaderSize = 4;

// Samples a block of `block_size` bytes decodes to (0 below the header size).
size_t ImaBlockSamples(size_t block_size);

// Decodes `block` into `output`, which must hold ImaBlockSamples(block_size)
// samples. Returns false, writing nothing, when the block is shorter than
// its header or its step index is above 88.
bool DecodeImaBlock(const uint8_t* block, size_t block_size, int16_t* output);

}  // namespace voice
