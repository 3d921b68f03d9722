// What a presentation target does with a picture handed to its present
// call: check it, and copy it before the call returns (its pointers die
// with the call). Needs the shared types alone, so that a program using
// libbrisca.so can link it.
#pragma once

#include <cstdint>
#include <vector>

#include "brisca/types/brisca_types.h"

namespace brisca {

// True when `picture` is of a format among `formats` (bits 1 << BR_PIXFMT_*),
// has a size and carries every plane its format needs.
bool AcceptsPicture(unsigned formats, const BR_PICTURE* picture);

// Copies an accepted picture's rows packed, I420 as its Y, U and V planes
// one after the other, and its overlay (emptied when it has none); the
// vectors' storage is reused.
void CopyPicture(const BR_PICTURE& picture, std::vector<uint8_t>& pixels,
                 std::vector<uint8_t>& overlay);

}  // namespace brisca
