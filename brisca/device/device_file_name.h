// The interval value a device recording's file name announces. A name (the
// part after the last '/' or '\') of exactly 32 characters with '-' at
// positions 3, 6, 13 and 20 carries a name code at position 23 ('a' = 0):
// codes 0-2 mean 500 ms, 3 1000, 4 1500, 5 2000.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace brisca {

// The interval in milliseconds, or nothing when the name carries none.
std::optional<uint32_t> IntervalFromFileName(std::string_view path);

}  // namespace brisca
