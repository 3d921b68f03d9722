#include <gtest/gtest.h>

#include <array>

#include "corvane/app/app_context.h"
#include "corvane/app/string_table.h"

namespace {

// Every base ID whose English text the shell's windows and dialogs quote.
struct Quoted {
  int id;
  const char* english;
};
constexpr std::array<Quoted, 11> kQuoted{{
    {1, "About"},
    {2, "Windows sockets initialization failed."},
    {470, "Stream Information"},
    {505, "Simplified Chinese"},
    {506, "Traditional Chinese"},
    {507, "English"},
    {509, "Vehicle Recorder Analysis Software"},
    {536, "Google"},
    {537, "Baidu"},
    {548, "Open folder"},
    {634, "Russian"},
}};
constexpr std::array<int, 4> kLanguageIndexes{0, 1, 2, 10};

TEST(StringTableResource, EveryQuotedIdHasEveryLanguage) {
  const StringTable table = StringTable::FromResource();
  for (const Quoted& quoted : kQuoted) {
    EXPECT_EQ(table.Text(0, quoted.id), QString::fromUtf8(quoted.english));
    for (const int language : kLanguageIndexes) {
      EXPECT_FALSE(table.Text(language, quoted.id).isEmpty())
          << "ID " << quoted.id << " language index " << language;
    }
  }
}

TEST(StringTableResource, TranslationsDifferFromEnglish) {
  const StringTable table = StringTable::FromResource();
  EXPECT_EQ(table.Text(1, 548), QString::fromUtf8("打开文件夹"));
  EXPECT_EQ(table.Text(2, 548), QString::fromUtf8("開啟資料夾"));
  EXPECT_EQ(table.Text(10, 548), QString::fromUtf8("Открыть папку"));
}

TEST(StringTableParse, MissingCellGivesEmptyTextWithoutFallBack) {
  const StringTable table =
      StringTable::Parse("# comment\n12\tClose\t\t關閉\tЗакрыть\r\n");
  EXPECT_EQ(table.Text(0, 12), "Close");
  EXPECT_TRUE(table.Text(1, 12).isEmpty());
  EXPECT_EQ(table.Text(2, 12), QString::fromUtf8("關閉"));
  EXPECT_EQ(table.Text(10, 12), QString::fromUtf8("Закрыть"));
}

TEST(StringTableParse, MalformedLinesAreSkipped) {
  const StringTable table =
      StringTable::Parse("x\tBad\n0\tZero\n635\tHigh\n\n5\n6\tSix");
  EXPECT_TRUE(table.Text(0, 0).isEmpty());
  EXPECT_TRUE(table.Text(0, 635).isEmpty());
  EXPECT_TRUE(table.Text(0, 5).isEmpty());
  EXPECT_EQ(table.Text(0, 6), "Six");
}

TEST(LoadLangString, UsesTheContextLanguage) {
  const StringTable table = StringTable::Parse("7\tSeven\t七\t\tСемь");
  AppContext context(table);
  EXPECT_EQ(LoadLangString(context, 7), QString::fromUtf8("七"));
  context.languageIndex = 2;
  EXPECT_TRUE(LoadLangString(context, 7).isEmpty());
  context.languageIndex = 10;
  EXPECT_EQ(LoadLangString(context, 7), QString::fromUtf8("Семь"));
}

}  // namespace
