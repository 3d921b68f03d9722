// Names on a card's FAT volume: one segment of a path read as code page 936,
// its short 8.3 form, and the comparisons the directory search makes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "brisca/card/raw_fat_volume.h"

namespace brisca {

inline constexpr size_t kFatMaxLongName = 255;  // UTF-16 units of a long name
inline constexpr size_t kFatDirEntrySize = 32;

// One path segment, ready for the directory search.
struct FatName {
  // The segment in UTF-16 without trailing spaces and dots, zero-terminated.
  std::array<char16_t, kFatMaxLongName + 1> long_name{};
  size_t length = 0;
  // The derived short name: 8 + 3 bytes, space-padded, upper-cased, code
  // page 936, a leading 0xE5 stored as 0x05.
  std::array<uint8_t, 11> short_name{};
  // True when the short name says everything the segment says (fits 8.3,
  // nothing replaced or dropped), so that a short entry without long name
  // entries may match it.
  bool short_name_exact = false;
};

// Reads the next segment of `path` (after the volume name), skipping the
// separators ('\' or '/') before it, and leaves `path` after the segment. A
// character below 0x20 ends the segment and the whole path, as does the end
// of `path`; `last` tells whether the path ended. kOk, or kInvalidName for a
// byte sequence that is not code page 936 or not mapped, a forbidden
// character ('"', '*', ':', '<', '>', '?', '|', 0x7F), more than 255
// characters, or a name that is empty once trailing spaces and dots are
// dropped. An empty segment at the end of the path (nothing after the last
// separator) gives kOk with `name.length` 0.
FatResult ReadFatSegment(std::string_view& path, FatName& name, bool& last);

// The checksum over an 11-byte short name that its long-name entries carry.
uint8_t FatShortNameChecksum(const uint8_t* short_name);

// Compares the 13 characters of the long-name entry `entry` (32 bytes), whose
// sequence number (1-based, without the last-entry flag) says which part of
// the name it holds, with that part of `name`, ignoring case. A part past the
// end of the name must hold the terminator then 0xFFFF padding; the entry
// flagged last must end the name.
bool FatLongNameEntryMatches(const uint8_t* entry, const FatName& name);

}  // namespace brisca
