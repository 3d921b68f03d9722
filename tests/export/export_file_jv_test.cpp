#include "brisca/export/export_file_jv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "brisca/base/file_write.h"
#include "brisca/card/card_index_manager.h"
#include "brisca/card/card_reader.h"
#include "brisca/card/evf_layout.h"
#include "brisca/testing/faulty_file.h"
#include "tests/export/export_test_support.h"

namespace brisca {
namespace {

namespace fs = std::filesystem;
using testing::Shell;

// A card image made by the generator once per test process: two
// partitions, each with containers 1 and 2 of two 3-second recordings in
// index blocks of 30 video frames.
const std::string& CardImage() {
  static const std::string image = [] {
    const std::string path = testing::WorkPath("card-" + std::to_string(getpid()) + ".img");
    int status = 0;
    Shell(std::string("'") + EXPORT_TEST_TOOL + "' sample card '" + path +
              "' --partitions 2 --files 2 --recordings 2 --seconds 3 --block-frames 30"
              " --size 96x64 --seed 9 2>&1",
          &status);
    return status == 0 ? path : std::string();
  }();
  return image;
}

struct Frame {
  FrameKind kind;
  uint64_t timestamp;
  std::vector<uint8_t> data;
  bool operator==(const Frame&) const = default;
};

// Every frame of a recording in reading order; empty when it cannot open.
std::vector<Frame> FramesOf(CIndexFileJvMgr& index, const std::string& name) {
  std::vector<Frame> frames;
  const std::optional<CardRecordingName> parsed = ParseCardRecordingName(name.c_str());
  if (!parsed || !index.MountPartition(parsed->partition)) return frames;
  CFileJv reader(index);
  if (reader.Open(name.c_str()) == 0) {
    RecFrame* frame = nullptr;
    while (reader.ReadFrame(&frame, nullptr) == 0) {
      frames.push_back({frame->kind, frame->timestamp,
                        std::vector<uint8_t>(frame->data, frame->data + frame->length)});
      reader.ReleaseFrame(frame);
    }
  }
  reader.Close();
  index.UnmountPartition(parsed->partition);
  return frames;
}

std::set<std::string> Listed(CIndexFileJvMgr& index) {
  std::set<std::string> names;
  RecFileParam* list = nullptr;
  const int count = index.GetFileParam(&list, nullptr, 0);
  for (int i = 0; i < count; ++i) names.insert(list[i].name);
  std::free(list);
  return names;
}

std::mutex reports_lock;
std::vector<int32_t> reports;

void BRISCA_CALL Record(int32_t user, int32_t value) {
  EXPECT_EQ(user, 5);
  const std::lock_guard lock(reports_lock);
  reports.push_back(value);
}

std::vector<int32_t> TakeReports() {
  const std::lock_guard lock(reports_lock);
  return std::move(reports);
}

class ExportFileJvTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(CardImage().empty());
    setenv("BRISCA_PHYSICAL_DRIVES", CardImage().c_str(), 1);
    ASSERT_EQ(card_.SearchSD(-1, nullptr), 1);
    ASSERT_GT(Listed(card_).size(), 4u);
    folder_ = testing::WorkPath("export-" + std::to_string(getpid()) + "-" +
                                ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    TakeReports();
  }
  void TearDown() override { fs::remove_all(folder_); }

  // The export folder read back in folder mode.
  CIndexFileJvMgr& ReadBack() {
    exported_.SetDir(folder_.c_str(), kCardFolderMode);
    return exported_;
  }

  size_t Export(const std::vector<std::string>& names) {
    CExportFileJv worker(names, folder_, Record, 5, card_);
    return worker.Export();
  }

  CIndexFileJvMgr card_;
  CIndexFileJvMgr exported_;
  std::string folder_;
};

// Listing the card from another thread while an export runs: the listing
// mounts other partitions of the one card volume, so it must wait for each
// copy; the export holds every recording, frame for frame.
TEST_F(ExportFileJvTest, ListingDuringAnExportLeavesItWhole) {
  const std::set<std::string> all = Listed(card_);
  const std::vector<std::string> names(all.begin(), all.end());
  std::atomic<bool> done{false};
  std::atomic<int> listings{0};
  std::thread lister([&] {
    CIndexFileJvMgr other;
    if (other.SearchSD(-1, nullptr) != 1) return;
    do {
      if (Listed(other) == all) listings.fetch_add(1);
    } while (!done.load());
  });
  const size_t exported = Export(names);
  done.store(true);
  lister.join();
  EXPECT_GT(listings.load(), 0);
  ASSERT_EQ(exported, names.size());
  EXPECT_EQ(Listed(ReadBack()), all);
  EXPECT_EQ(FramesOf(ReadBack(), names.back()), FramesOf(card_, names.back()));
}

// Two recordings of one container and one of the other partition: the
// folder lists exactly them, each frame equal to the card's, the two of one
// container in one file, the second after the first.
TEST_F(ExportFileJvTest, ExportedRecordingsReadBackFrameForFrame) {
  const std::vector<std::string> names = {"0\\1\\1", "0\\1\\0", "1\\2\\0"};
  ASSERT_EQ(Export(names), 3u);
  const std::vector<int32_t> got = TakeReports();
  ASSERT_FALSE(got.empty());
  EXPECT_EQ(got.back(), 100);
  for (size_t i = 1; i < got.size(); ++i) EXPECT_GE(got[i], got[i - 1]);

  EXPECT_TRUE(fs::exists(folder_ + "/0_fly00001.evf"));
  EXPECT_TRUE(fs::exists(folder_ + "/1_fly00002.evf"));
  EXPECT_FALSE(fs::exists(folder_ + "/0_fly00002.evf"));
  for (int p = 0; p < 4; ++p) EXPECT_TRUE(fs::exists(folder_ + "/" + std::to_string(p) + "_index00.bin"));

  CIndexFileJvMgr& back = ReadBack();
  EXPECT_EQ(Listed(back), std::set<std::string>(names.begin(), names.end()));
  for (const std::string& name : names) {
    const std::vector<Frame> original = FramesOf(card_, name);
    ASSERT_GT(original.size(), 100u) << name;
    EXPECT_EQ(FramesOf(back, name), original) << name;
  }
  // Exported first, "0\1\1" starts the container; "0\1\0" follows it.
  const std::optional<CardRecording> first = back.FindRecording("0\\1\\1");
  const std::optional<CardRecording> second = back.FindRecording("0\\1\\0");
  ASSERT_TRUE(first && second);
  const auto offset = [](const CardRecording& r) {
    return uint32_t{r.entry[24]} | uint32_t{r.entry[25]} << 8 | uint32_t{r.entry[26]} << 16 |
           uint32_t{r.entry[27]} << 24;
  };
  EXPECT_EQ(offset(*first), 0u);
  EXPECT_GT(offset(*second), 0u);
  EXPECT_LT(offset(*second), fs::file_size(folder_ + "/0_fly00001.evf"));
}

// Progress is the share of index blocks done: two recordings of one block
// each report 50, then 100.
TEST(ExportFileJvProgressTest, OneBlockRecordingsReportHalfThenAll) {
  const std::string image = testing::WorkPath("one-block-" + std::to_string(getpid()) + ".img");
  int status = 0;
  Shell(std::string("'") + EXPORT_TEST_TOOL + "' sample card '" + image +
            "' --files 1 --recordings 2 --seconds 2 --size 96x64 2>&1",
        &status);
  ASSERT_EQ(status, 0);
  setenv("BRISCA_PHYSICAL_DRIVES", image.c_str(), 1);
  CIndexFileJvMgr card;
  ASSERT_EQ(card.SearchSD(-1, nullptr), 1);
  ASSERT_EQ(Listed(card).size(), 2u);
  const std::string folder = testing::WorkPath("one-block-out-" + std::to_string(getpid()));
  fs::create_directories(folder);
  TakeReports();
  const std::set<std::string> names = Listed(card);
  CExportFileJv worker({names.begin(), names.end()}, folder, Record, 5, card);
  EXPECT_EQ(worker.Export(), 2u);
  EXPECT_EQ(TakeReports(), (std::vector<int32_t>{50, 100}));
  fs::remove_all(folder);
  fs::remove(image);
}

// An earlier export is replaced: index files and "fly" files ending in
// ".evf" exactly; other files and folders stay.
TEST_F(ExportFileJvTest, EarlierExportIsRemovedOtherFilesStay) {
  for (const char* name : {"3_index00.bin", "2_fly00007.evf", "0_fly00001.evf", "my.fly.evf"})
    std::ofstream(folder_ + "/" + name) << "old";
  for (const char* name : {"notes_fly.txt", "fly_backup", "x_fly.EVF", "fly.evf.bak"})
    std::ofstream(folder_ + "/" + name) << "keep";
  fs::create_directories(folder_ + "/old_fly.evf");
  ASSERT_EQ(Export({"0\\2\\0"}), 1u);
  for (const char* name : {"2_fly00007.evf", "0_fly00001.evf", "my.fly.evf"})
    EXPECT_FALSE(fs::exists(folder_ + "/" + name)) << name;
  // Rewritten, not the old bytes.
  EXPECT_EQ(fs::file_size(folder_ + "/3_index00.bin"), 512u);
  for (const char* name : {"notes_fly.txt", "fly_backup", "x_fly.EVF", "fly.evf.bak", "old_fly.evf"})
    EXPECT_TRUE(fs::exists(folder_ + "/" + name)) << name;
  EXPECT_EQ(Listed(ReadBack()), std::set<std::string>{"0\\2\\0"});
}

// Temporary folders an export left beside `folder` or inside it.
std::vector<std::string> StagingLeftOver(const std::string& folder) {
  std::vector<std::string> found;
  const fs::path path(folder);
  const std::string beside = std::string(".").append(path.filename().string()).append(".export-");
  // Beside the folder only its own staging counts: other tests' folders share the parent.
  for (const fs::directory_entry& entry : fs::directory_iterator(path.parent_path())) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with(beside)) found.push_back(name);
  }
  for (const fs::directory_entry& entry : fs::directory_iterator(path)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with(".export-")) found.push_back(name);
  }
  return found;
}

// An export that fails part way, for whatever reason, leaves the earlier
// export (and the other files of the folder) byte for byte as they were,
// reports -1 and never 100, and leaves no temporary folder behind.
TEST_F(ExportFileJvTest, FailedExportLeavesTheEarlierExportAsItWas) {
  const std::vector<std::string> names = {"0\\1\\1", "0\\2\\0", "1\\1\\0"};
  // The write calls of the whole export, counted on a folder of its own.
  const std::string scratch = folder_ + "-scratch";
  fs::create_directories(scratch);
  InjectWriteFault(0, 0, false);
  {
    CExportFileJv worker(names, scratch, Record, 5, card_);
    ASSERT_EQ(worker.Export(), names.size());
  }
  const int writes = WriteCallCount();
  ASSERT_GT(writes, 8);
  fs::remove_all(scratch);

  ASSERT_EQ(Export({"0\\1\\0", "1\\2\\1"}), 2u);
  std::ofstream(folder_ + "/notes.txt") << "kept";
  const std::map<std::string, std::string> before = testing::FolderContents(folder_);
  ASSERT_EQ(before.size(), 7u);

  struct Case {
    const char* what;
    std::vector<std::string> names;
    int write_fault_at = 0;  // 0: none
    int error = 0;
    bool sticky = false;
    bool unreadable = false;
  };
  const Case cases[] = {
      {"a name the card does not hold", {"0\\1\\1", "0\\9\\0", "1\\1\\0"}},
      {"the first index write", names, 1, ENOSPC, true},
      {"the second index write", names, 2, EFBIG},
      {"half way through the containers", names, writes / 2, ENOSPC, true},
      {"the last but one write", names, writes - 1, EFBIG},
      {"the last write", names, writes, ENOSPC},
      {"a card that cannot be read", names, 0, 0, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TakeReports();
    std::optional<testing::ScopedReadFaults> faults;
    if (c.unreadable) faults.emplace(testing::ReadFaults{.fail_read = 1, .fail_after = true});
    InjectWriteFault(c.write_fault_at, c.error, c.sticky);
    const size_t placed = Export(c.names);
    InjectWriteFault(0, 0, false);
    faults.reset();
    EXPECT_EQ(placed, 0u);
    const std::vector<int32_t> got = TakeReports();
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.back(), -1);
    EXPECT_EQ(std::count(got.begin(), got.end(), 100), 0);
    EXPECT_TRUE(testing::FolderContents(folder_) == before);
    EXPECT_EQ(StagingLeftOver(folder_), std::vector<std::string>{});
  }
  // A container of the new export cannot take its place (a folder has its
  // name): the files already moved go back.
  fs::create_directories(folder_ + "/0_fly00002.evf");
  const std::map<std::string, std::string> with_folder = testing::FolderContents(folder_);
  TakeReports();
  EXPECT_EQ(Export(names), 0u);
  EXPECT_EQ(TakeReports().back(), -1);
  EXPECT_TRUE(testing::FolderContents(folder_) == with_folder);
  EXPECT_EQ(StagingLeftOver(folder_), std::vector<std::string>{});
  EXPECT_EQ(Listed(ReadBack()), (std::set<std::string>{"0\\1\\0", "1\\2\\1"}));
}

// A stop lets the recording being copied finish and ends the export before
// the next: -1 follows, and the earlier export stays as it was.
TEST_F(ExportFileJvTest, StoppedExportLeavesTheEarlierExport) {
  ASSERT_EQ(Export({"0\\2\\1"}), 1u);
  const std::map<std::string, std::string> before = testing::FolderContents(folder_);
  TakeReports();
  static CExportFileJv* running = nullptr;
  static std::atomic<bool> first_block{false};
  const auto stop_on_first_report = [](int32_t user, int32_t value) {
    Record(user, value);
    if (value <= 0 || first_block.exchange(true)) return;
    // Held until the owner has asked to stop, so the stop lands while the
    // first recording is being copied.
    while (!running->StopRequested()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  };
  CExportFileJv worker({"1\\1\\1", "1\\2\\1", "0\\1\\0"}, folder_, stop_on_first_report, 5, card_);
  running = &worker;
  ASSERT_EQ(worker.Start(), 1);
  while (!first_block) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  worker.Stop();
  EXPECT_EQ(worker.exit_code(), 0u);
  const std::vector<int32_t> got = TakeReports();
  ASSERT_FALSE(got.empty());
  EXPECT_EQ(got.back(), -1);
  EXPECT_TRUE(testing::FolderContents(folder_) == before);
  EXPECT_EQ(StagingLeftOver(folder_), std::vector<std::string>{});
}

// A folder that cannot be written: the index files fail, nothing is copied.
TEST_F(ExportFileJvTest, UnwritableFolderCopiesNothing) {
  folder_ += "/missing";
  EXPECT_EQ(Export({"0\\1\\0"}), 0u);
  EXPECT_EQ(TakeReports(), std::vector<int32_t>{-1});
  EXPECT_FALSE(fs::exists(folder_));
}

}  // namespace
}  // namespace brisca
