#include "brisca/api/utf16.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace brisca {
namespace {

std::string Convert(std::vector<uint16_t> units) {
  units.push_back(0);
  return Utf16ToUtf8(units.data());
}

TEST(Utf16Test, NullAndEmpty) {
  EXPECT_EQ(Utf16ToUtf8(nullptr), "");
  EXPECT_EQ(Convert({}), "");
}

TEST(Utf16Test, OneToThreeByteSequences) {
  EXPECT_EQ(Convert({'C', ':', '/', 'w', '.', 'p', 'n', 'g'}), "C:/w.png");
  EXPECT_EQ(Convert({0x7F, 0x80}), "\x7F\xC2\x80");
  EXPECT_EQ(Convert({0xE9, 0x7FF, 0x800}), "\xC3\xA9\xDF\xBF\xE0\xA0\x80");
  EXPECT_EQ(Convert({0x6C34, 0x20AC, 0xFFFF}), "\xE6\xB0\xB4\xE2\x82\xAC\xEF\xBF\xBF");
}

TEST(Utf16Test, SurrogatePairsBecomeOneCodePoint) {
  EXPECT_EQ(Convert({0xD83D, 0xDE00}), "\xF0\x9F\x98\x80");           // U+1F600
  EXPECT_EQ(Convert({0xD800, 0xDC00}), "\xF0\x90\x80\x80");           // U+10000
  EXPECT_EQ(Convert({0xDBFF, 0xDFFF, 'a'}), "\xF4\x8F\xBF\xBF" "a");  // U+10FFFF
}

TEST(Utf16Test, UnpairedSurrogatesBecomeReplacementCharacters) {
  const std::string replacement = "\xEF\xBF\xBD";
  EXPECT_EQ(Convert({0xD83D}), replacement);
  EXPECT_EQ(Convert({0xD83D, 'x'}), replacement + "x");
  EXPECT_EQ(Convert({0xDE00, 'x'}), replacement + "x");
  EXPECT_EQ(Convert({0xDE00, 0xD83D}), replacement + replacement);
  EXPECT_EQ(Convert({0xD83D, 0xD83D, 0xDE00}), replacement + "\xF0\x9F\x98\x80");
}

TEST(Utf16Test, StopsAtTheFirstZero) {
  const uint16_t text[] = {'a', 0, 'b', 0};
  EXPECT_EQ(Utf16ToUtf8(text), "a");
}

}  // namespace
}  // namespace brisca
