#include "brisca/card/code_page_936.h"

#include <array>
#include <cstddef>

namespace brisca {

// Defined in the source that code_page_936_gen writes at build time.
namespace cp936_tables {
extern const char16_t kSingleByte[256];
extern const char16_t kDoubleByte[126 * 191];  // lead 0x81-0xFE by trail 0x40-0xFE
extern const size_t kUpperCasePairCount;
extern const char16_t kUpperCasePairs[];  // (character, upper case) pairs, ascending
}  // namespace cp936_tables

namespace {

using Cp936Reverse = std::array<uint16_t, 0x10000>;

Cp936Reverse BuildReverse() {
  Cp936Reverse reverse{};
  for (unsigned byte = 1; byte < 256; ++byte) {
    const char16_t c = cp936_tables::kSingleByte[byte];
    if (c != 0 && reverse[c] == 0) reverse[c] = static_cast<uint16_t>(byte);
  }
  for (unsigned i = 0; i < 126 * 191; ++i) {
    const char16_t c = cp936_tables::kDoubleByte[i];
    if (c != 0 && reverse[c] == 0) {
      reverse[c] = static_cast<uint16_t>((0x81 + i / 191) << 8 | (0x40 + i % 191));
    }
  }
  return reverse;
}

}  // namespace

char16_t Cp936ToUnicode(uint16_t code) {
  if (code < 0x100) return cp936_tables::kSingleByte[code];
  const unsigned lead = code >> 8;
  const unsigned trail = code & 0xFF;
  if (!IsCp936LeadByte(static_cast<uint8_t>(lead)) || trail < 0x40 || trail > 0xFE) return 0;
  return cp936_tables::kDoubleByte[(lead - 0x81) * 191 + (trail - 0x40)];
}

uint16_t UnicodeToCp936(char16_t character) {
  // Built once, on first use; initialisation of a function-local static is
  // thread-safe.
  static const Cp936Reverse reverse = BuildReverse();
  return reverse[character];
}

char16_t UnicodeUpperCase(char16_t character) {
  if (character < 0x80) {
    return character >= u'a' && character <= u'z' ? static_cast<char16_t>(character - 0x20)
                                                    : character;
  }
  size_t low = 0;
  size_t high = cp936_tables::kUpperCasePairCount;
  while (low < high) {
    const size_t middle = (low + high) / 2;
    const char16_t from = cp936_tables::kUpperCasePairs[2 * middle];
    if (from == character) return cp936_tables::kUpperCasePairs[2 * middle + 1];
    if (from < character) low = middle + 1; else high = middle;
  }
  return character;
}

}  // namespace brisca
