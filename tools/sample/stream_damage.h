// The damage a recorder stream suffers in practice, made reproducible:
// noise between frames and frames whose head is missing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "tools/sample/sample_random.h"

namespace brisca::tools::sample {

// 1 to 64 random bytes that cannot make a frame header appear: no 'd'
// directly followed by 'c', no leading 'c' (a torn tail before the noise may
// end in 'd') and no trailing 'd' (the next header's stream byte may be 'c').
std::vector<uint8_t> MakeNoise(SampleRandom& random);

// Where the written tail of a torn frame begins: after the frame's last "dc"
// pair and never inside the 12-byte header, so that the tail holds no "dc"
// and a reader skips it byte by byte. Returns frame.size() when nothing
// would be left to write.
size_t TearOffset(std::span<const uint8_t> frame);

}  // namespace brisca::tools::sample
