#include "brisca/card/fat_name.h"

#include "brisca/card/code_page_936.h"

namespace brisca {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsForbidden(uint8_t byte) {
  switch (byte) {
    case '"': case '*': case ':': case '<': case '>': case '?': case '|': case 0x7F:
      return true;
    default:
      return false;
  }
}

bool IsShortNameReplaced(char16_t c) {
  switch (c) {
    case u'+': case u',': case u';': case u'=': case u'[': case u']':
      return true;
    default:
      return false;
  }
}

// Writes the space-padded short name of the UTF-16 `name` and tells whether it
// is exact (nothing dropped, replaced or cut).
bool DeriveShortName(const char16_t* name, size_t length, std::array<uint8_t, 11>& out) {
  out.fill(' ');
  bool exact = true;
  size_t start = 0;
  while (start < length && (name[start] == u' ' || name[start] == u'.')) ++start;
  if (start > 0) exact = false;
  size_t dot = length;  // the extension's dot, none when it is the first character
  for (size_t i = length; i > start; --i) {
    if (name[i - 1] == u'.') { dot = i - 1; break; }
  }
  size_t fill = 0;
  size_t limit = 8;
  for (size_t i = start; i < length; ++i) {
    if (i == dot) {
      fill = 8;
      limit = 11;
      continue;
    }
    char16_t c = name[i];
    if (c == u' ' || c == u'.') { exact = false; continue; }
    uint16_t code;
    if (IsShortNameReplaced(c)) {
      exact = false;
      code = '_';
    } else {
      code = UnicodeToCp936(UnicodeUpperCase(c));
      if (code == 0) { exact = false; code = '_'; }
    }
    const size_t bytes = code > 0xFF ? 2 : 1;
    if (fill + bytes > limit) {
      // No room: the rest of this part is cut off.
      exact = false;
      if (limit == 11 || dot == length) break;
      i = dot - 1;
      continue;
    }
    if (bytes == 2) out[fill++] = static_cast<uint8_t>(code >> 8);
    out[fill++] = static_cast<uint8_t>(code);
  }
  if (out[0] == ' ') exact = false;
  if (out[0] == 0xE5) out[0] = 0x05;
  return exact;
}

}  // namespace

FatResult ReadFatSegment(std::string_view& path, FatName& name, bool& last) {
  name = FatName{};
  size_t i = 0;
  while (i < path.size() && IsSeparator(path[i])) ++i;
  bool ended = false;
  while (i < path.size() && !IsSeparator(path[i])) {
    const uint8_t byte = static_cast<uint8_t>(path[i]);
    if (byte < 0x20) { ended = true; break; }
    uint16_t code = byte;
    ++i;
    if (IsCp936LeadByte(byte)) {
      if (i >= path.size() || !IsCp936TrailByte(static_cast<uint8_t>(path[i]))) {
        return FatResult::kInvalidName;
      }
      code = static_cast<uint16_t>(byte << 8 | static_cast<uint8_t>(path[i]));
      ++i;
    } else if (IsForbidden(byte)) {
      return FatResult::kInvalidName;
    }
    const char16_t c = Cp936ToUnicode(code);
    if (c == 0 || name.length >= kFatMaxLongName) return FatResult::kInvalidName;
    name.long_name[name.length++] = c;
  }
  if (!ended) {
    while (i < path.size() && IsSeparator(path[i])) ++i;
    ended = i >= path.size() || static_cast<uint8_t>(path[i]) < 0x20;
  }
  path.remove_prefix(i);
  last = ended;
  const size_t read = name.length;
  while (name.length > 0 &&
         (name.long_name[name.length - 1] == u' ' || name.long_name[name.length - 1] == u'.')) {
    name.long_name[--name.length] = 0;
  }
  if (name.length == 0) return read == 0 ? FatResult::kOk : FatResult::kInvalidName;
  name.short_name_exact = DeriveShortName(name.long_name.data(), name.length, name.short_name);
  return FatResult::kOk;
}

uint8_t FatShortNameChecksum(const uint8_t* short_name) {
  uint8_t sum = 0;
  for (int i = 0; i < 11; ++i) {
    sum = static_cast<uint8_t>(((sum & 1) << 7) + (sum >> 1) + short_name[i]);
  }
  return sum;
}

bool FatLongNameEntryMatches(const uint8_t* entry, const FatName& name) {
  static constexpr int kCharOffsets[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
  const int order = entry[0] & 0x3F;
  if (order == 0) return false;
  size_t index = static_cast<size_t>(order - 1) * 13;
  char16_t previous = 1;
  for (int offset : kCharOffsets) {
    const char16_t c = static_cast<char16_t>(entry[offset] | entry[offset + 1] << 8);
    if (previous != 0) {
      if (index > kFatMaxLongName ||
          UnicodeUpperCase(c) != UnicodeUpperCase(name.long_name[index])) {
        return false;
      }
      ++index;
      previous = c;
    } else if (c != 0xFFFF) {
      return false;
    }
  }
  const bool flagged_last = (entry[0] & 0x40) != 0;
  if (flagged_last && previous != 0 && index <= kFatMaxLongName && name.long_name[index] != 0) {
    return false;
  }
  return true;
}

}  // namespace brisca
