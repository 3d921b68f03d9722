#include "brisca/card/card_index_manager.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "brisca/base/diag_log.h"
#include "brisca/card/card_index_layout.h"
#include "brisca/card/card_reader.h"
#include "tests/card/card_test_support.h"

namespace brisca {
namespace {

namespace ci = card_index;
using testing::CardTempFolder;
using tools::card::CardIndexLayout;
using tools::card::CardRecordingFrames;
using tools::card::IndexedFile;

struct Listing {
  int result = 0;
  std::vector<RecFileParam> records;
  bool array = false;
};

Listing List(CIndexFileJvMgr& manager, JV_SEARCH_CALLBACK callback = nullptr, int32_t user = 0) {
  Listing listing;
  RecFileParam* list = nullptr;
  listing.result = manager.GetFileParam(&list, callback, user);
  listing.array = list != nullptr;
  if (list && listing.result > 0) listing.records.assign(list, list + listing.result);
  std::free(list);
  return listing;
}

std::vector<std::string> Names(const Listing& listing) {
  std::vector<std::string> names;
  for (const RecFileParam& r : listing.records) names.push_back(r.name);
  return names;
}

class CardIndexTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ProcessLog().SetRoot(folder_.path());
    manager_.SetDir(folder_.path().c_str(), kCardFolderMode);
  }

  // File `file_number` with one recording per slot in its own container.
  IndexedFile File(uint32_t file_number, uint8_t channel, int partition = 0, int slots = 1,
                   const std::string& folder = "") {
    std::vector<CardRecordingFrames> recordings(static_cast<size_t>(slots),
                                                testing::SyntheticRecording(4, 4, 2));
    const std::string base = folder.empty() ? folder_.path() : folder;
    const std::vector<uint32_t> offsets = testing::WriteContainer(
        CardContainerPath(base, kCardFolderMode, partition, file_number), recordings);
    return testing::IndexedFileOf(file_number, channel, offsets);
  }

  void WriteIndex(const CardIndexLayout& layout, int partition = 0) {
    testing::WriteBytes(CardIndexPath(folder_.path(), kCardFolderMode, partition),
                        tools::card::BuildCardIndex(layout));
  }

  CardTempFolder folder_;
  CIndexFileJvMgr manager_;
};

TEST_F(CardIndexTest, RingIsReadFromTheOldestEntryAndWraps) {
  CardIndexLayout layout;
  layout.ring_capacity = 10;
  layout.oldest = 8;
  for (uint32_t f = 1; f <= 10; ++f) layout.ring_files.push_back(File(f, 1));
  std::vector<uint8_t> index = tools::card::BuildCardIndex(layout);
  ci::WriteCounts(index.data(), {10, 5, 5, 8});  // only five ring entries in use
  ci::SealChecksum(index.data());
  testing::WriteBytes(folder_ / "0_index00.bin", index);
  testing::WriteEmptyFolderIndexes(folder_.path(), {1, 2, 3});
  // Ring entries 8, 9, 0, 1, 2 hold files 1 to 5; 3 to 7 are not in use.
  const Listing listing = List(manager_);
  EXPECT_EQ(Names(listing), (std::vector<std::string>{"0\\1\\0", "0\\2\\0", "0\\3\\0", "0\\4\\0",
                                                      "0\\5\\0"}));
}

TEST_F(CardIndexTest, OpenFilesFollowTheRingFromTheirDescriptors) {
  CardIndexLayout layout;
  layout.ring_capacity = 3;
  layout.ring_files = {File(1, 1), File(2, 2)};
  layout.open_files = {File(3, 4, 0, 2)};  // descriptor 4 names file 3 with two slots
  WriteIndex(layout);
  testing::WriteEmptyFolderIndexes(folder_.path(), {1, 2, 3});
  const Listing listing = List(manager_);
  EXPECT_EQ(Names(listing),
            (std::vector<std::string>{"0\\1\\0", "0\\2\\0", "0\\3\\0", "0\\3\\1"}));
  ASSERT_EQ(listing.records.size(), 4u);
  EXPECT_EQ(listing.records[2].channel, 4);
  EXPECT_EQ(listing.records[3].record_type, 1);
  EXPECT_EQ(listing.records[3].start_time.second, 10);
  EXPECT_EQ(listing.records[3].duration_ms, 1000);
}

TEST_F(CardIndexTest, ChannelIsRepairedFromTheDescriptorOfItsFile) {
  CardIndexLayout layout;
  layout.ring_capacity = 4;
  layout.ring_files = {File(1, 2), File(2, 0), File(3, 255)};
  layout.extra_descriptors = {{3, 2}};  // descriptor 3 names file 2; C counts the ring only
  WriteIndex(layout);
  testing::WriteEmptyFolderIndexes(folder_.path(), {1, 2, 3});
  const Listing listing = List(manager_);
  // File 3 has no descriptor and stays unlisted.
  ASSERT_EQ(Names(listing), (std::vector<std::string>{"0\\1\\0", "0\\2\\0"}));
  EXPECT_EQ(listing.records[0].channel, 2);
  EXPECT_EQ(listing.records[1].channel, 3);
}

TEST_F(CardIndexTest, ZeroHeaderPassesInFolderMode) {
  std::vector<uint8_t> index(512, 0);
  testing::WriteBytes(folder_ / "0_index00.bin", index);
  testing::WriteEmptyFolderIndexes(folder_.path(), {1, 2, 3});
  RecFileParam sentinel{};
  RecFileParam* list = &sentinel;
  EXPECT_EQ(manager_.GetFileParam(&list, nullptr, 0), 0);
  EXPECT_EQ(list, &sentinel);  // no slot at all: the pointer is not touched
}

TEST_F(CardIndexTest, AnExportFolderListsThePartitionsItHas) {
  CardIndexLayout layout;
  layout.ring_capacity = 1;
  layout.ring_files = {File(1, 1)};
  WriteIndex(layout);
  testing::WriteEmptyFolderIndexes(folder_.path(), {1});
  testing::DamageCapture damage;
  EXPECT_EQ(Names(List(manager_)), std::vector<std::string>{"0\\1\\0"});
  EXPECT_TRUE(damage.lines().empty());  // partitions 2 and 3 were not exported

  // A damaged index is reported and left out; with no index left the
  // listing fails with the first partition's code.
  std::vector<uint8_t> broken = tools::card::BuildCardIndex(layout);
  broken.resize(300);
  testing::WriteBytes(folder_ / "1_index00.bin", broken);
  EXPECT_EQ(List(manager_).records.size(), 1u);
  EXPECT_EQ(damage.Count("card partition 1 left out"), 1u);
  std::filesystem::remove(folder_ / "0_index00.bin");
  std::filesystem::remove(folder_ / "1_index00.bin");
  const Listing none = List(manager_);
  EXPECT_EQ(none.result, CIndexFileJv::kNoIndexFile);
  EXPECT_FALSE(none.array);
}

TEST_F(CardIndexTest, RecordingsBefore2000AreLeftOut) {
  IndexedFile file = File(1, 1, 0, 2);
  file.recordings[0].start_seconds = 946684799;  // 1999-12-31 23:59:59
  CardIndexLayout layout;
  layout.ring_capacity = 1;
  layout.ring_files = {file};
  WriteIndex(layout);
  testing::WriteEmptyFolderIndexes(folder_.path(), {1, 2, 3});
  EXPECT_EQ(Names(List(manager_)), std::vector<std::string>{"0\\1\\1"});

  layout.ring_files[0].recordings[1].end_seconds = 100;  // ends in 1970
  WriteIndex(layout);
  const Listing none = List(manager_);
  EXPECT_EQ(none.result, 0);
  EXPECT_TRUE(none.array);  // slots existed: an empty array is handed out
}

TEST_F(CardIndexTest, RecordingsThatFailTheCheckAreLeftOut) {
  CardIndexLayout layout;
  layout.ring_capacity = 2;
  layout.ring_files = {File(1, 1), File(2, 1)};
  WriteIndex(layout);
  testing::WriteEmptyFolderIndexes(folder_.path(), {1, 2, 3});
  std::filesystem::remove(folder_ / "0_fly00001.evf");
  EXPECT_EQ(Names(List(manager_)), std::vector<std::string>{"0\\2\\0"});
}

std::vector<int32_t> g_progress;
void BRISCA_CALL RecordProgress(int32_t user, int32_t percent) {
  EXPECT_EQ(user, 77);
  g_progress.push_back(percent);
}

TEST_F(CardIndexTest, ProgressCountsSlotsOfAllPartitions) {
  CardIndexLayout layout;
  layout.ring_capacity = 1;
  layout.ring_files = {File(1, 1, 0, 3)};
  WriteIndex(layout);
  layout.ring_files = {File(1, 1, 2, 1)};
  WriteIndex(layout, 2);
  testing::WriteEmptyFolderIndexes(folder_.path(), {1, 3});
  g_progress.clear();
  EXPECT_EQ(List(manager_, RecordProgress, 77).result, 4);
  EXPECT_EQ(g_progress, (std::vector<int32_t>{0, 25, 50, 75}));
}

// Lines of the diagnostic log under `root` that contain `text`.
size_t LogLines(const std::string& root, const std::string& text) {
  size_t lines = 0;
  for (const auto& file : std::filesystem::recursive_directory_iterator(root + "/log")) {
    if (!file.is_regular_file() || file.path().extension() != ".txt") continue;
    std::ifstream in(file.path());
    for (std::string line; std::getline(in, line);) lines += line.find(text) != std::string::npos;
  }
  return lines;
}

TEST_F(CardIndexTest, HostileIndexesCostOnlyTheRecordingsThatExist) {
  // `count` files from file 0 whose 256 slots hold recordings starting at
  // `start` in slots 0 and 1 (start 0: none) and are empty after them.
  auto files_of = [](uint32_t count, uint32_t start) {
    std::vector<IndexedFile> files;
    for (uint32_t f = 0; f < count; ++f) {
      files.push_back(testing::IndexedFileOf(f, 1, {0, 0}, start));
      if (start == 0) files.back().recordings.assign(2, {});
      files.back().recordings.resize(256);
    }
    return files;
  };
  struct Case {
    const char* what;
    std::vector<IndexedFile> files;
    int check_result;      // what the check answers for every recording
    size_t checks;         // recordings the listing checks
    size_t listed;
    const char* reported;  // once, or nothing
  };
  const std::vector<Case> cases = {
      {"2,000 entries repeating one file number",
       std::vector<IndexedFile>(2000, files_of(1, testing::kCardTestStart)[0]), 0, 2, 2,
       "repeat a file number"},
      {"64 files of empty slots", files_of(64, 0), 0, 0, 0, nullptr},
      {"16 files of recordings from 1999", files_of(16, 915148800), 0, 0, 0, nullptr},
      {"16 files whose containers are missing", files_of(16, testing::kCardTestStart),
       CIndexFileJv::kCheckNoContainer, 16, 0, "left out as unreadable"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const CardTempFolder folder;
    ProcessLog().SetRoot(folder.path());
    CardIndexLayout layout;
    layout.ring_capacity = static_cast<uint32_t>(c.files.size());
    layout.ring_files = c.files;
    testing::WriteBytes(CardIndexPath(folder.path(), kCardFolderMode, 0), tools::card::BuildCardIndex(layout));
    CIndexFileJv index(0);
    index.SetDir(folder.path(), kCardFolderMode);
    ASSERT_EQ(index.ReadIndexFile(), 0);
    testing::DamageCapture damage;
    std::vector<RecFileParam> records;
    CardListingProgress progress;
    progress.total = index.SlotCount();
    size_t checks = 0;
    index.AppendRecords(records, progress, [&](const char*) {
      ++checks;
      return c.check_result;
    });
    EXPECT_EQ(checks, c.checks);
    EXPECT_EQ(records.size(), c.listed);
    EXPECT_EQ(progress.done, progress.total);
    EXPECT_EQ(damage.lines().size(), c.reported ? 1u : 0u);
    if (c.reported) {
      EXPECT_EQ(damage.Count(c.reported), 1u);
    }
    // One line per cause and per channel repair, not one per slot.
    EXPECT_LE(LogLines(folder.path(), "GetFilePara2"), 4u + c.listed);
  }
  ProcessLog().SetRoot(folder_.path());
}

TEST_F(CardIndexTest, BrokenIndexFilesGiveTheirCodes) {
  testing::WriteEmptyFolderIndexes(folder_.path(), {1, 2, 3});
  CardIndexLayout layout;
  layout.ring_capacity = 4;
  layout.oldest = 1;
  layout.ring_files = {File(1, 1), File(2, 1)};
  const std::vector<uint8_t> good = tools::card::BuildCardIndex(layout);
  CIndexFileJv index(0);
  index.SetDir(folder_.path(), kCardFolderMode);
  auto code_with = [&](auto change) {
    std::vector<uint8_t> bytes = good;
    change(bytes);
    testing::WriteBytes(folder_ / "0_index00.bin", bytes);
    return index.ReadIndexFile();
  };
  EXPECT_EQ(code_with([](std::vector<uint8_t>&) {}), 0);
  EXPECT_EQ(code_with([](std::vector<uint8_t>& b) { b.resize(300); }), CIndexFileJv::kHeaderUnreadable);
  EXPECT_EQ(code_with([](std::vector<uint8_t>& b) { b.resize(512 + 20); }), CIndexFileJv::kRingUnreadable);
  EXPECT_EQ(code_with([](std::vector<uint8_t>& b) { ci::WriteCounts(b.data(), {4, 5, 5, 0}); }),
            CIndexFileJv::kRingUnreadable);  // more ring entries in use than the ring holds
  EXPECT_EQ(code_with([](std::vector<uint8_t>& b) { ci::WriteCounts(b.data(), {4, 2, 2, 4}); }),
            CIndexFileJv::kRingUnreadable);  // oldest entry outside the ring
  EXPECT_EQ(code_with([](std::vector<uint8_t>& b) { ci::WriteCounts(b.data(), {70000, 2, 2, 0}); }),
            CIndexFileJv::kRingUnreadable);
  EXPECT_EQ(code_with([](std::vector<uint8_t>& b) { b[512 + 16 * 2] = 255; }),
            CIndexFileJv::kBadFileNumber);
  EXPECT_EQ(code_with([](std::vector<uint8_t>& b) { b[512 + 16 * 2] = 40; }),
            CIndexFileJv::kTableUnreadable);  // file 40's table lies past the end
  std::filesystem::remove(folder_ / "0_index00.bin");
  EXPECT_EQ(index.ReadIndexFile(), CIndexFileJv::kNoIndexFile);
}

TEST_F(CardIndexTest, SlotCountsBeyondTheTableAreCut) {
  CardIndexLayout layout;
  layout.ring_capacity = 1;
  layout.ring_files = {File(1, 1, 0, 2)};
  std::vector<uint8_t> index = tools::card::BuildCardIndex(layout);
  index[512 + 6] = 0xFF;  // last slot 65535
  index[512 + 7] = 0xFF;
  index.resize(index.size() + 3 * 8192);
  testing::WriteBytes(folder_ / "0_index00.bin", index);
  testing::WriteEmptyFolderIndexes(folder_.path(), {1, 2, 3});
  const Listing listing = List(manager_);
  EXPECT_EQ(listing.result, 2);  // slots 2-255 are empty, none past 255 exists
  EXPECT_FALSE(manager_.FindRecording("0\\1\\256").has_value());
  EXPECT_TRUE(manager_.FindRecording("0\\1\\255").has_value());
}

TEST_F(CardIndexTest, ExportedIndexReadsBackInFolderMode) {
  // A card whose ring wraps and whose newest file is open.
  CardIndexLayout layout;
  layout.ring_capacity = 5;
  layout.oldest = 3;
  layout.ring_files = {File(1, 1, 0, 3), File(2, 2, 0, 2), File(3, 1)};
  layout.open_files = {File(4, 2, 0, 2)};
  WriteIndex(layout);
  layout = CardIndexLayout{};
  layout.ring_capacity = 1;
  layout.ring_files = {File(1, 3, 1, 2)};
  WriteIndex(layout, 1);
  testing::WriteEmptyFolderIndexes(folder_.path(), {2, 3});
  ASSERT_EQ(List(manager_).result, 10);

  const CardTempFolder out;
  const std::vector<std::string> names = {"0\\1\\0", "0\\1\\2", "0\\4\\1", "1\\1\\1", "0\\9\\0",
                                          "junk"};
  ASSERT_EQ(manager_.WriteExportIndexes(out.path().c_str(), names), 0);
  EXPECT_EQ(CIndexFileJvMgr::ExportExists(out.path().c_str()), 1);
  // Place each exported recording at a new offset of its own container, as
  // the export worker does, and point its entry there.
  const CardRecordingFrames frames = testing::SyntheticRecording(4, 4, 2);
  const std::vector<uint32_t> file1 = testing::WriteContainer(out / "0_fly00001.evf", {frames, frames});
  const std::vector<uint32_t> file4 = testing::WriteContainer(out / "0_fly00004.evf", {frames});
  const std::vector<uint32_t> part1 = testing::WriteContainer(out / "1_fly00001.evf", {frames});
  EXPECT_EQ(manager_.UpdateExportEntry(out.path().c_str(), "0\\1\\0", file1[0]), 0);
  EXPECT_EQ(manager_.UpdateExportEntry(out.path().c_str(), "0\\1\\2", file1[1]), 0);
  EXPECT_EQ(manager_.UpdateExportEntry(out.path().c_str(), "0\\4\\1", file4[0]), 0);
  EXPECT_EQ(manager_.UpdateExportEntry(out.path().c_str(), "1\\1\\1", part1[0]), 0);
  EXPECT_EQ(manager_.UpdateExportEntry(out.path().c_str(), "0\\9\\0", 0), -2);
  EXPECT_EQ(manager_.UpdateExportEntry((out / "missing").c_str(), "0\\1\\0", 0), -1);

  CIndexFileJvMgr exported;
  exported.SetDir(out.path().c_str(), kCardFolderMode);
  const Listing listing = List(exported);
  ASSERT_EQ(Names(listing), (std::vector<std::string>{"0\\1\\0", "0\\1\\2", "0\\4\\1", "1\\1\\1"}));
  EXPECT_EQ(listing.records[2].channel, 2);  // the open file's channel
  EXPECT_EQ(listing.records[3].channel, 3);
  EXPECT_EQ(listing.records[1].start_time.second, 20);
  CFileJv reader(exported);
  ASSERT_EQ(reader.Open("0\\1\\2"), 0);
  EXPECT_EQ(uint64_t{reader.file_param().start}, frames.video[0].timestamp_us);

  CIndexFileJvMgr::DeleteExportIndexes(out.path().c_str());
  EXPECT_EQ(CIndexFileJvMgr::ExportExists(out.path().c_str()), 0);

  // Without the highest-numbered file the export still reads back: its
  // table lies past 512 + 8208 C bytes and must be there, empty. A
  // recording whose entry was never updated (its copy failed) is not listed.
  ASSERT_EQ(manager_.WriteExportIndexes(out.path().c_str(), {"0\\1\\0", "0\\1\\2"}), 0);
  EXPECT_EQ(manager_.UpdateExportEntry(out.path().c_str(), "0\\1\\0", file1[0]), 0);
  EXPECT_EQ(Names(List(exported)), std::vector<std::string>{"0\\1\\0"});
}

TEST_F(CardIndexTest, ExportTestLooksForIndexFilesOnly) {
  const CardTempFolder out;
  EXPECT_EQ(CIndexFileJvMgr::ExportExists(out.path().c_str()), 0);
  std::filesystem::create_directory(out / "0_index00.bin");
  testing::WriteBytes(out / "0_fly00001.evf", {1});
  EXPECT_EQ(CIndexFileJvMgr::ExportExists(out.path().c_str()), 0);
  testing::WriteBytes(out / "3_index00.bin", {});
  EXPECT_EQ(CIndexFileJvMgr::ExportExists(out.path().c_str()), 1);
  EXPECT_EQ(CIndexFileJvMgr::ExportExists(nullptr), 0);
}

TEST_F(CardIndexTest, ExportIndexOfAnUnwritableFolderFails) {
  testing::WriteEmptyFolderIndexes(folder_.path(), {0, 1, 2, 3});
  ASSERT_EQ(List(manager_).result, 0);
  EXPECT_EQ(manager_.WriteExportIndexes((folder_ / "no/such/folder").c_str(), {"0\\1\\0"}), -1);
}

TEST(CardRecordingNameTest, ParsesExactlyThreeNumbers) {
  const auto name = ParseCardRecordingName("3\\70000\\255");
  ASSERT_TRUE(name.has_value());
  EXPECT_EQ(name->partition, 3);
  EXPECT_EQ(name->file_number, 70000u);
  EXPECT_EQ(name->slot, 255u);
  for (const char* bad : {"", "1\\2", "1\\2\\3\\4", "4\\1\\1", "-1\\1\\1", "1\\-2\\3", "1\\2\\3x",
                          "a\\b\\c", "1/2/3"})
    EXPECT_FALSE(ParseCardRecordingName(bad).has_value()) << bad;
  EXPECT_FALSE(ParseCardRecordingName(nullptr).has_value());
}

}  // namespace
}  // namespace brisca
