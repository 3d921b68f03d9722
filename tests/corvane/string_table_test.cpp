#include <gtest/gtest.h>

#include <array>
#include <string>

#include "corvane/app/app_context.h"
#include "corvane/app/string_table.h"

namespace {

// Every base ID whose English text the program's windows, dialogs, menus,
// tooltips and message boxes quote, with that text as the program spells it.
struct Quoted {
  int id;
  const char* english;
};
constexpr std::array<Quoted, 108> kQuoted{{
    {1, "About"},
    {2, "Windows sockets initialization failed."},
    {216, "Conversion Finished!"},
    {220, "Notice"},
    {225, "START"},
    {226, "..."},
    {227, "..."},
    {243, "PLAY"},
    {244, "STOP"},
    {245, "SLOW"},
    {246, "FAST"},
    {250, "Record cut & convert to AVI"},
    {251, "PAUSE"},
    {332, "ALL CHANNEL"},
    {392, "SOURCE FILE"},
    {393, "OUT DIR"},
    {394, "FILE INFO"},
    {395, "CUT TIME RANGE"},
    {397, "OUT FILE"},
    {398, "Auto stop playing when Converting."},
    {449, "Cut and Turn to AVI"},
    {470, "Stream Information"},
    {471, "Language"},
    {473, "Recorder Type"},
    {475, "All Types"},
    {476, "BEGIN"},
    {477, "CHN"},
    {478, "END"},
    {479, "TYPE"},
    {481, "DATE"},
    {482, "FIRST"},
    {483, "PREVIOUS"},
    {484, "NEXT"},
    {485, "LAST"},
    {486, "The"},
    {487, "Page/Total"},
    {488, "Page"},
    {489, "Playback Speed(mile/h)"},
    {490, "Longitude And Latitude:"},
    {491, "Longitude:"},
    {492, "Latitude:"},
    {494, "REWIND DOWN"},
    {495, "PREVIOUS"},
    {496, "NEXT"},
    {497, "FULL SCREEN"},
    {498, "SHOW/HIDE GPS AND WAVE"},
    {499, "Acce-X"},
    {500, "Acce-Y"},
    {501, "Acce-Z"},
    {502, "VIDEODISC SEARCH"},
    {503, "EXPORT FILE"},
    {504, "LOCAL SEARCH"},
    {505, "Simplified Chinese"},
    {506, "Traditional Chinese"},
    {507, "English"},
    {508, "GPS Fix"},
    {509, "Vehicle Recorder Analysis Software"},
    {510, "Unknown Information"},
    {511, "Time Interval:"},
    {514, "Channel:"},
    {518, "speed"},
    {522, "Begin Time"},
    {523, "End Time"},
    {536, "Google"},
    {537, "Baidu"},
    {538, "km/h"},
    {539, "mp/h"},
    {540, "kn"},
    {541, "1 Screen"},
    {542, "4 Screens"},
    {543, "9 Screens"},
    {544, "Capture Image"},
    {545, "Convert AVI"},
    {546, "Sound"},
    {547, "Watermark Alpha"},
    {548, "Open folder"},
    {600, "Search File Failed"},
    {601, "Open File Failed"},
    {602, "DURATION"},
    {604, "DMS Alarm Video"},
    {605, "Emerg Alarm Video"},
    {606, "Manual Video"},
    {607, "Select Dir"},
    {608, "Please Stop Play first."},
    {609, "Please Select Video File to Export."},
    {610, "Export Success."},
    {611, "Export Failed."},
    {612, "Please wait for Exporting..."},
    {613, "Please wait for Searchting video file..."},
    {614, "There are video files in this directory.Overwrite the files?"},
    {615, "Local files cannot be Exported."},
    {616, "Please select the output folder."},
    {617, "Conversion Failed!"},
    {619, "Search completed, no video files."},
    {620, "OverSpeed Alarm Video"},
    {621,
     "Search videodisc failed. Videodisc does not exist or fails "
     "to read video file."},
    {622, "Select Videodisc"},
    {623, "Research Videodisc List"},
    {624, "Removable disk"},
    {625, "Hard disk"},
    {626, "Select Channel"},
    {627, "Step Forward"},
    {628, "Step Back"},
    {629, "Speed"},
    {630, "Emerg"},
    {631, "DSM"},
    {633, "Manual"},
    {634, "Russian"},
}};
constexpr std::array<int, 4> kLanguageIndexes{0, 1, 2, 10};

TEST(StringTableResource, EveryQuotedIdHasEveryLanguage) {
  const StringTable table = StringTable::FromResource();
  for (const Quoted& quoted : kQuoted) {
    EXPECT_EQ(table.Text(0, quoted.id).toStdString(), quoted.english)
        << "ID " << quoted.id;
    for (const int language : kLanguageIndexes) {
      EXPECT_FALSE(table.Text(language, quoted.id).isEmpty())
          << "ID " << quoted.id << " language index " << language;
    }
  }
}

// A translation equal to a longer English text is a cell copied over and
// never translated; short texts (units, "...", names such as "Google") may
// rightly read the same in every language.
TEST(StringTableResource, NoLongerTextIsLeftUntranslated) {
  constexpr qsizetype kLongestSharedText = 6;
  const StringTable table = StringTable::FromResource();
  for (int id = 1; id <= StringTable::kMaxBaseId; ++id) {
    const QString english = table.Text(0, id);
    if (english.size() <= kLongestSharedText) continue;
    for (const int language : kLanguageIndexes) {
      if (language == 0) continue;
      EXPECT_NE(table.Text(language, id).toStdString(), english.toStdString())
          << "ID " << id << " language index " << language;
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
      StringTable::Parse("x\tBad\n0\tZero\n1000\tHigh\n\n5\n6\tSix");
  EXPECT_TRUE(table.Text(0, 0).isEmpty());
  EXPECT_TRUE(table.Text(0, 1000).isEmpty());
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
