// Code page 936 (GBK) and Unicode, and the Unicode upper-case mapping, for
// the names of card volumes. The tables are generated at build time from the
// C library's "CP936" converter and its C.UTF-8 case mapping
// (code_page_936_gen.cpp).
#pragma once

#include <cstdint>

namespace brisca {

// True for a lead byte of a double-byte character (0x81-0xFE) and for a
// byte that can follow one (0x40-0x7E, 0x80-0xFE).
constexpr bool IsCp936LeadByte(uint8_t byte) { return byte >= 0x81 && byte <= 0xFE; }
constexpr bool IsCp936TrailByte(uint8_t byte) {
  return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFE);
}

// The Unicode character of a code: one byte (0x00-0xFF) or a double-byte
// character (lead << 8 | trail). 0 when the code page does not map it.
char16_t Cp936ToUnicode(uint16_t code);

// The code of a Unicode character: below 0x100 for one byte, else
// lead << 8 | trail. 0 when the code page has no such character (and for 0).
uint16_t UnicodeToCp936(char16_t character);

// The simple Unicode upper-case mapping of a character of the basic
// multilingual plane; surrogates and uncased characters map to themselves.
char16_t UnicodeUpperCase(char16_t character);

}  // namespace brisca
