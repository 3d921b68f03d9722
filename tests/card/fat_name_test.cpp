// Path segments read as code page 936, short names and long-name entries.
#include "brisca/card/fat_name.h"

#include <gtest/gtest.h>

#include <string>

#include "brisca/card/code_page_936.h"
#include "tests/card/fat_image_support.h"

namespace brisca {
namespace {

std::string ShortName(const FatName& name) {
  return std::string(name.short_name.begin(), name.short_name.end());
}

FatName Segment(const std::string& text, FatResult expected = FatResult::kOk) {
  std::string_view path = text;
  FatName name;
  bool last = false;
  EXPECT_EQ(ReadFatSegment(path, name, last), expected) << text;
  return name;
}

TEST(CodePage936Test, MapsBothWaysLikeTheCLibrary) {
  EXPECT_EQ(Cp936ToUnicode(0xD6D0), u'\u4E2D');  // 中
  EXPECT_EQ(Cp936ToUnicode('a'), u'a');
  EXPECT_EQ(Cp936ToUnicode(0x80), u'\u20AC');
  EXPECT_EQ(Cp936ToUnicode(0xFF), 0);
  EXPECT_EQ(Cp936ToUnicode(0x817F), 0);
  EXPECT_EQ(Cp936ToUnicode(0x8130), 0);
  EXPECT_EQ(UnicodeToCp936(u'\u4E2D'), 0xD6D0);
  EXPECT_EQ(UnicodeToCp936(u'\u00C9'), 0);  // É is not in the code page
  // Every double-byte character comes back to its code.
  for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
    for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
      const uint16_t code = static_cast<uint16_t>(lead << 8 | trail);
      const char16_t c = Cp936ToUnicode(code);
      if (c != 0) {
        ASSERT_EQ(UnicodeToCp936(c), code) << std::hex << code;
      }
    }
  }
}

TEST(CodePage936Test, UpperCaseCoversMoreThanAscii) {
  EXPECT_EQ(UnicodeUpperCase(u'a'), u'A');
  EXPECT_EQ(UnicodeUpperCase(u'\u00e4'), u'\u00c4');
  EXPECT_EQ(UnicodeUpperCase(u'\u03b1'), u'\u0391');  // Greek
  EXPECT_EQ(UnicodeUpperCase(u'\u0436'), u'\u0416');  // Cyrillic
  EXPECT_EQ(UnicodeUpperCase(u'\uff41'), u'\uff21');  // fullwidth
  EXPECT_EQ(UnicodeUpperCase(u'\u4E2D'), u'\u4E2D');
  EXPECT_EQ(UnicodeUpperCase(u'\xD800'), u'\xD800');
}

TEST(FatNameTest, DerivesExactShortNames) {
  FatName name = Segment("index00.bin");
  EXPECT_EQ(ShortName(name), "INDEX00 BIN");
  EXPECT_TRUE(name.short_name_exact);
  name = Segment(testing::ToCp936("中文.txt"));
  EXPECT_EQ(ShortName(name), testing::ToCp936("中文") + "    TXT");
  EXPECT_TRUE(name.short_name_exact);
  name = Segment(testing::ToCp936("ａ.b"));  // fullwidth letters are upper-cased too
  EXPECT_EQ(ShortName(name), testing::ToCp936("Ａ") + "      B  ");
  name = Segment("NOEXT");
  EXPECT_EQ(ShortName(name), "NOEXT      ");
  EXPECT_TRUE(name.short_name_exact);
}

TEST(FatNameTest, ShortNamesThatLoseSomethingAreNotExact) {
  for (const char* text : {"a long name.txt", "abcdefghi.txt", "a.text", "a+b.txt", "a.b.c",
                           ".hidden", "x[1].bin"}) {
    EXPECT_FALSE(Segment(text).short_name_exact) << text;
  }
  EXPECT_EQ(ShortName(Segment("a+b.txt")), "A_B     TXT");
  EXPECT_EQ(ShortName(Segment("abcdefghi.txt")), "ABCDEFGHTXT");
  // A double-byte character that no longer fits is dropped whole.
  EXPECT_EQ(ShortName(Segment(testing::ToCp936("abcdefg中.t"))), "ABCDEFG T  ");
}

TEST(FatNameTest, ALeadingE5IsStoredAs05) {
  const std::string e5 = testing::ToCp936("濉");
  const FatName name = Segment(e5);
  EXPECT_EQ(name.short_name[0], 0x05);
  EXPECT_EQ(name.short_name[1], static_cast<uint8_t>(e5[1]));
}

TEST(FatNameTest, RefusesWhatNoNameMayHold) {
  for (const std::string text : {"a?b", "a*", "a:b", "a<b", "a>b", "a|b", "a\"b", "a\x7F",
                                 "\x81", "\x81\x20", "\x81\x7F", "\xFF", ". .", "..."}) {
    Segment(text, FatResult::kInvalidName);
  }
  Segment(std::string(255, 'a'));
  Segment(std::string(256, 'a'), FatResult::kInvalidName);
}

TEST(FatNameTest, SplitsPathsAtSeparatorsAndControlCharacters) {
  std::string_view path = "\\dir//sub\\file.txt\\";
  FatName name;
  bool last = true;
  ASSERT_EQ(ReadFatSegment(path, name, last), FatResult::kOk);
  EXPECT_EQ(ShortName(name), "DIR        ");
  EXPECT_FALSE(last);
  ASSERT_EQ(ReadFatSegment(path, name, last), FatResult::kOk);
  EXPECT_EQ(ShortName(name), "SUB        ");
  EXPECT_FALSE(last);
  ASSERT_EQ(ReadFatSegment(path, name, last), FatResult::kOk);
  EXPECT_EQ(ShortName(name), "FILE    TXT");
  EXPECT_TRUE(last);
  path = "a\x1F" "b\\c";
  ASSERT_EQ(ReadFatSegment(path, name, last), FatResult::kOk);
  EXPECT_EQ(name.length, 1u);
  EXPECT_TRUE(last);
  path = "\\";
  ASSERT_EQ(ReadFatSegment(path, name, last), FatResult::kOk);
  EXPECT_EQ(name.length, 0u);
  EXPECT_TRUE(last);
}

TEST(FatNameTest, ChecksumOfAShortName) {
  // The sum rotates right before adding each byte.
  const uint8_t name[11] = {'A', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
  uint8_t sum = 0;
  for (uint8_t b : name) sum = static_cast<uint8_t>(((sum & 1) << 7) + (sum >> 1) + b);
  EXPECT_EQ(FatShortNameChecksum(name), sum);
  EXPECT_NE(FatShortNameChecksum(reinterpret_cast<const uint8_t*>("INDEX00 BIN")),
            FatShortNameChecksum(reinterpret_cast<const uint8_t*>("INDEX00 BIM")));
}

// A long-name entry holding characters `from` to `from + 12` of `text`.
std::array<uint8_t, 32> LongEntry(const std::u16string& text, int order, bool last) {
  static constexpr int kOffsets[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
  std::array<uint8_t, 32> entry{};
  entry[0] = static_cast<uint8_t>(order | (last ? 0x40 : 0));
  entry[11] = 0x0F;
  for (int i = 0; i < 13; ++i) {
    const size_t index = static_cast<size_t>((order - 1) * 13 + i);
    char16_t c = index < text.size() ? text[index] : index == text.size() ? u'\0' : u'\xFFFF';
    entry[static_cast<size_t>(kOffsets[i])] = static_cast<uint8_t>(c);
    entry[static_cast<size_t>(kOffsets[i] + 1)] = static_cast<uint8_t>(c >> 8);
  }
  return entry;
}

TEST(FatNameTest, LongNameEntriesMatchIgnoringCase) {
  const FatName name = Segment(testing::ToCp936("A Long Name 中文 here.dat"));
  const std::u16string stored = u"a long name 中文 HERE.DAT";  // 24 characters: two entries
  EXPECT_TRUE(FatLongNameEntryMatches(LongEntry(stored, 2, true).data(), name));
  EXPECT_TRUE(FatLongNameEntryMatches(LongEntry(stored, 1, false).data(), name));
  EXPECT_FALSE(FatLongNameEntryMatches(LongEntry(u"a long name 中文 HERE.DAX", 2, true).data(), name));
  // A stored name that is a prefix or runs on does not match.
  EXPECT_FALSE(FatLongNameEntryMatches(LongEntry(u"a long name", 1, true).data(), name));
  EXPECT_FALSE(FatLongNameEntryMatches(LongEntry(stored + u"x", 2, true).data(), name));
  // Padding after the terminator must be 0xFFFF.
  std::array<uint8_t, 32> bad = LongEntry(stored, 2, true);
  bad[30] = 0x41;
  bad[31] = 0;
  EXPECT_FALSE(FatLongNameEntryMatches(bad.data(), name));
  // Sequence numbers beyond any name of 255 characters never match.
  EXPECT_FALSE(FatLongNameEntryMatches(LongEntry(stored, 40, true).data(), name));
}

}  // namespace
}  // namespace brisca
