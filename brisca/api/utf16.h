// Text handed to the exported interface as zero-terminated UTF-16, as the
// player program keeps its paths, converted for the library's UTF-8 side.
#pragma once

#include <cstdint>
#include <string>

namespace brisca {

// Converts up to the first zero unit. Surrogate pairs become one code point;
// a surrogate without its partner becomes U+FFFD. Null gives "".
std::string Utf16ToUtf8(const uint16_t* text);

}  // namespace brisca
