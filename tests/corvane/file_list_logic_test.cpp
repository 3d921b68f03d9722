// The file list's arithmetic: time window, order, paging, filter and cells.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "corvane/app/app_context.h"
#include "corvane/app/string_table.h"
#include "corvane/search/file_list_cells.h"
#include "corvane/search/file_list_entry.h"
#include "corvane/search/file_list_paging.h"
#include "corvane/search/search_filter.h"

namespace {

BR_SYSTEMTIME Time(int y, int mo, int d, int h, int mi, int s) {
  BR_SYSTEMTIME t{};
  t.year = static_cast<uint16_t>(y);
  t.month = static_cast<uint16_t>(mo);
  t.day = static_cast<uint16_t>(d);
  t.hour = static_cast<uint16_t>(h);
  t.minute = static_cast<uint16_t>(mi);
  t.second = static_cast<uint16_t>(s);
  return t;
}

RecFileParam Record(const BR_SYSTEMTIME& start, const BR_SYSTEMTIME& end, int channel = 1,
                    int type = 0) {
  RecFileParam record{};
  std::snprintf(record.name, sizeof record.name, "1\\%d\\%d", start.hour, channel);
  record.start_time = start;
  record.end_time = end;
  record.channel = channel;
  record.record_type = type;
  return record;
}

FileListEntry Starting(int channel, int hour, int minute, int second) {
  return MakeFileListEntry(
      Record(Time(2024, 5, 1, hour, minute, second), Time(2024, 5, 1, 23, 0, 0), channel));
}

TEST(FileListLogic, TimeWindowKeepsOnlyWholeRecordingsAcrossMidnightAndYears) {
  struct Case {
    BR_SYSTEMTIME start, end;
    WindowTime from, to;
    bool inside;
  } cases[] = {
      {Time(2024, 5, 1, 8, 10, 0), Time(2024, 5, 1, 8, 20, 0), {2024, 5, 1, 8}, {2024, 5, 1, 9}, true},
      {Time(2024, 5, 1, 7, 55, 0), Time(2024, 5, 1, 8, 5, 0), {2024, 5, 1, 8}, {2024, 5, 1, 9}, false},
      {Time(2024, 5, 1, 8, 55, 0), Time(2024, 5, 1, 9, 5, 0), {2024, 5, 1, 8}, {2024, 5, 1, 9}, false},
      // A recording past midnight ends on the next day.
      {Time(2026, 3, 8, 23, 50, 0), Time(2026, 3, 9, 0, 10, 0), {2026, 3, 8, 23}, {2026, 3, 9, 1}, true},
      {Time(2026, 3, 8, 23, 50, 0), Time(2026, 3, 9, 0, 10, 0), {2026, 3, 8}, {2026, 3, 8, 23, 59, 59}, false},
      {Time(2024, 12, 31, 23, 59, 0), Time(2025, 1, 1, 0, 1, 0), {2024, 12, 31, 23}, {2025, 1, 1, 0, 0, 59}, false},
      {Time(2024, 12, 31, 23, 59, 0), Time(2025, 1, 1, 0, 1, 0), {2024, 12, 31, 23}, {2025, 1, 1, 0, 1, 0}, true},
      {Time(2024, 2, 28, 23, 0, 0), Time(2024, 2, 29, 1, 0, 0), {2024, 2, 28}, {2024, 2, 29, 1}, true},
  };
  for (const Case& c : cases) {
    const FileListEntry entry = MakeFileListEntry(Record(c.start, c.end));
    EXPECT_EQ(InsideTimeWindow(entry, c.from, c.to), c.inside)
        << c.start.month << "-" << c.start.day << " " << c.start.hour << ":" << c.start.minute;
  }
}

TEST(FileListLogic, SortGroupsNearStartsByChannelAndStaysInBoundsOnAnyInput) {
  std::vector<FileListEntry> entries{Starting(3, 10, 0, 5), Starting(1, 10, 0, 12),
                                     Starting(2, 10, 0, 1), Starting(1, 10, 0, 20),
                                     Starting(4, 9, 59, 59)};
  SortFileList(entries);
  std::vector<int> channels;
  for (const FileListEntry& e : entries) channels.push_back(e.channel);
  EXPECT_EQ(channels, (std::vector<int>{4, 1, 2, 3, 1}));

  // Chains of near-equal starts make the order intransitive; the sort must
  // still return a permutation of its input.
  std::mt19937 random(7);
  std::vector<FileListEntry> many;
  for (int i = 0; i < 997; ++i) {
    many.push_back(Starting(static_cast<int>(random() % 8) + 1, 10, 0, static_cast<int>(random() % 60)));
  }
  std::vector<FileListEntry> sorted = many;
  SortFileList(sorted);
  auto key = [](const FileListEntry& e) { return e.startSecond * 10 + e.channel; };
  std::vector<int> before, after;
  for (const FileListEntry& e : many) before.push_back(key(e));
  for (const FileListEntry& e : sorted) after.push_back(key(e));
  std::sort(before.begin(), before.end());
  std::sort(after.begin(), after.end());
  EXPECT_EQ(before, after);
}

TEST(FileListLogic, PagingOfTwentyTwoRows) {
  FileListPaging p;
  p.rowsPerPage = 22;
  p.Reset(44);
  EXPECT_EQ(p.pageCount, 2);
  p.cursor = 22;  // page 1 loaded
  EXPECT_TRUE(p.Last(44));
  EXPECT_EQ(p.cursor, 22);  // shows entries 23 to 44

  p.Reset(45);
  EXPECT_EQ(p.pageCount, 3);
  p.cursor = 22;
  EXPECT_TRUE(p.Next(45));
  p.cursor = 44;
  EXPECT_TRUE(p.Next(45));
  EXPECT_EQ(p.currentPage, 3);
  p.cursor = 45;  // one row on page 3
  EXPECT_FALSE(p.Next(45));
  EXPECT_TRUE(p.Previous());
  EXPECT_EQ(p.currentPage, 2);
  EXPECT_EQ(p.cursor, 22);  // entries 23 to 44

  p.Reset(0);
  EXPECT_EQ(p.pageCount, 1);
  EXPECT_FALSE(p.First());
  EXPECT_FALSE(p.Previous());
  EXPECT_FALSE(p.Next(0));
  EXPECT_FALSE(p.Last(0));

  EXPECT_EQ(RowsPerPageFor(391), 21);
  EXPECT_EQ(RowsPerPageFor(5), 1);
}

TEST(FileListLogic, FilterAndCells) {
  const StringTable table = StringTable::FromResource();
  AppContext context(table);
  context.languageIndex = 0;
  std::vector<FileListEntry> full;
  const int types[] = {0x08, 0x48, 0x40, 0x20, 0x28};
  const int channels[] = {3, 3, 1, 3, 2};
  for (int i = 0; i < 5; ++i) {
    full.push_back(MakeFileListEntry(Record(Time(2026, 3, 8, 10, i, 0), Time(2026, 3, 8, 10, i, 30),
                                            channels[i], types[i])));
  }
  auto shownTypes = [&](int typeIndex, int channel) {
    std::vector<uint32_t> bits;
    for (const FileListEntry& e : FilterEntries(full, typeIndex, channel)) bits.push_back(e.typeBits);
    return bits;
  };
  EXPECT_EQ(shownTypes(3, 3), (std::vector<uint32_t>{0x48}));  // DMS on CH3
  EXPECT_EQ(shownTypes(0, 0), (std::vector<uint32_t>{0x08, 0x48, 0x28}));
  EXPECT_EQ(shownTypes(1, 0), (std::vector<uint32_t>{0x20, 0x28}));
  EXPECT_EQ(shownTypes(4, 3), (std::vector<uint32_t>{0x08, 0x48, 0x20}));
  EXPECT_TRUE(FilterEntries(full, 4, 0).empty());  // the full list is shown

  EXPECT_EQ(TypeText(context, 0x48), "Manual|DSM");
  EXPECT_EQ(TypeText(context, 0x78), "Manual|Speed|Emerg|DSM");
  EXPECT_EQ(TypeText(context, 0x01), "");
  EXPECT_EQ(DurationText(90061), "25:01:01");
  RecFileParam midnight = Record(Time(2026, 3, 8, 23, 50, 0), Time(2026, 3, 9, 0, 10, 5), 2, 0x10);
  midnight.duration_ms = 1205000;
  const FileListEntry e = MakeFileListEntry(midnight);
  const QString row[] = {"2", "2026-03-08", "23:50:00", "00:10:05", "00:20:05", "Speed"};
  for (int column = 0; column < kFileListColumns; ++column) {
    EXPECT_EQ(FileListCell(context, e, column), row[column]) << column;
  }
}

}  // namespace
