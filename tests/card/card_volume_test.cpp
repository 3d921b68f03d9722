// Cards read through the raw FAT volume: images made by the real mkfs.fat
// (FAT32, 4096-byte sectors) and filled by mcopy, found on the physical
// drives named by BRISCA_PHYSICAL_DRIVES.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "brisca/base/diag_log.h"
#include "brisca/base/mutex_lock.h"
#include "brisca/card/card_files.h"
#include "brisca/card/card_index_layout.h"
#include "brisca/card/card_index_manager.h"
#include "brisca/card/card_reader.h"
#include "brisca/card/physical_drive.h"
#include "brisca/card/raw_fat_volume.h"
#include "brisca/testing/faulty_file.h"
#include "tests/card/card_test_support.h"
#include "tests/card/fat_image_support.h"
#include "tools/card/card_image.h"
#include "tools/card/sample_card.h"

namespace brisca {
namespace {

using testing::CardTempFolder;
using tools::card::CardRecordingFrames;
using tools::card::SampleCardOptions;
using tools::card::SampleCardRecording;

struct Got {
  FrameKind kind;
  uint64_t timestamp;
  std::vector<uint8_t> data;
  bool operator==(const Got&) const = default;
};

// The order a reader delivers a one-block recording in: video 0, then
// audio i (when there is one) before video i.
std::vector<Got> ExpectedOrder(const CardRecordingFrames& r) {
  std::vector<Got> out;
  for (size_t i = 0; i < r.video.size(); ++i) {
    if (i > 0 && i < r.audio.size())
      out.push_back({FRAME_AUDIO, r.audio[i].timestamp_us, r.audio[i].data});
    out.push_back({r.video[i].key ? FRAME_VIDEO_KEY : FRAME_VIDEO_PREDICTED,
                   r.video[i].timestamp_us, r.video[i].data});
  }
  return out;
}

std::vector<Got> ReadAll(CFileJv& reader) {
  std::vector<Got> out;
  RecFrame* frame = nullptr;
  while (reader.ReadFrame(&frame, nullptr) == 0) {
    out.push_back({frame->kind, frame->timestamp, {frame->data, frame->data + frame->length}});
    reader.ReleaseFrame(frame);
  }
  return out;
}

int ListCount(CIndexFileJvMgr& manager, std::vector<std::string>* names = nullptr) {
  RecFileParam* list = nullptr;
  const int count = manager.GetFileParam(&list, nullptr, 0);
  for (int i = 0; names && list && i < count; ++i) names->push_back(list[i].name);
  std::free(list);
  return count;
}

class CardVolumeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ProcessLog().SetRoot(work_.path());
    FatResetState();
    av_log_set_level(AV_LOG_ERROR);  // the generator's encoder statistics
  }
  void TearDown() override { ::unsetenv("BRISCA_PHYSICAL_DRIVES"); }

  // A card image of generated recordings; returns them with their frames.
  std::vector<SampleCardRecording> MakeCard(const std::string& image, SampleCardOptions options) {
    const std::string files = work_ / ("files-" + std::to_string(cards_++));
    std::vector<SampleCardRecording> recordings =
        tools::card::WriteSampleCardFiles(options, files, true);
    std::vector<std::string> folders;
    for (int p = 0; p < options.partitions; ++p) folders.push_back(tools::card::PartitionFolder(files, p));
    tools::card::WriteCardImage(image, folders);
    return recordings;
  }

  static SampleCardOptions Small() {
    SampleCardOptions options;
    options.files = 3;
    options.recordings = 2;
    options.seconds = 1;
    options.width = 96;
    options.height = 64;
    options.fps = 10;
    return options;
  }

  static void UseDrives(const std::vector<std::string>& paths) {
    std::string value;
    for (size_t i = 0; i < paths.size(); ++i) value += (i ? ":" : "") + paths[i];
    ::setenv("BRISCA_PHYSICAL_DRIVES", value.c_str(), 1);
  }

  CardTempFolder work_;
  int cards_ = 0;
};

TEST_F(CardVolumeTest, EveryFrameOfEveryRecordingReadsBackFromTheCard) {
  SampleCardOptions options = Small();
  options.partitions = 2;
  const std::vector<SampleCardRecording> made = MakeCard(work_ / "card.img", options);
  UseDrives({work_ / "card.img"});
  CIndexFileJvMgr manager;
  ASSERT_EQ(manager.SearchSD(0, nullptr), 1);
  std::vector<std::string> names;
  ASSERT_EQ(ListCount(manager, &names), static_cast<int>(made.size()));
  CFileJv reader(manager);
  for (size_t i = 0; i < made.size(); ++i) {
    EXPECT_EQ(names[i], made[i].name);
    const CardRecordingName name = *ParseCardRecordingName(made[i].name.c_str());
    ASSERT_TRUE(manager.MountPartition(name.partition));
    ASSERT_EQ(reader.Open(made[i].name.c_str()), 0) << made[i].name;
    EXPECT_EQ(ReadAll(reader), ExpectedOrder(made[i].frames)) << made[i].name;
    reader.Close();
    manager.UnmountPartition(name.partition);
  }
  // The diagnostic copy holds the header, the ring and the tables read.
  const std::vector<uint8_t> copy = testing::ReadBytes(work_ / "log/1_index00.bin");
  const std::vector<uint8_t> index =
      testing::ReadBytes(tools::card::PartitionFolder(work_ / "files-0", 1) + "/index00.bin");
  const size_t ring = 16 * card_index::ReadCounts(index.data()).capacity;
  ASSERT_EQ(copy.size(), 512 + ring + 3 * 2 * 32);
  EXPECT_TRUE(std::equal(copy.begin(), copy.begin() + 512 + static_cast<long>(ring), index.begin()));
}

TEST_F(CardVolumeTest, FolderModeReadsTheSameFrames) {
  SampleCardOptions options = Small();
  options.folder_mode = true;
  const std::vector<SampleCardRecording> made =
      tools::card::WriteSampleCardFiles(options, work_ / "export", true);
  CIndexFileJvMgr manager;
  manager.SetDir((work_ / "export").c_str(), kCardFolderMode);
  // Partitions 1-3 have no index: the folder lists the one it has.
  ASSERT_EQ(ListCount(manager), static_cast<int>(made.size()));
  CFileJv reader(manager);
  for (const SampleCardRecording& recording : made) {
    ASSERT_EQ(reader.Open(recording.name.c_str()), 0);
    EXPECT_EQ(ReadAll(reader), ExpectedOrder(recording.frames)) << recording.name;
  }
}

TEST_F(CardVolumeTest, ChecksumIsCheckedOnTheCardOnly) {
  const CardTempFolder files;
  std::vector<uint8_t> index(512, 0);  // all zero: the sum of 0 does not count
  testing::WriteBytes(files / "index00.bin", index);
  tools::card::WriteCardImage(work_ / "zero.img", {files.path()});
  UseDrives({work_ / "zero.img"});
  CIndexFileJvMgr manager;
  ASSERT_EQ(manager.SearchSD(0, nullptr), 1);
  EXPECT_EQ(ListCount(manager), CIndexFileJv::kChecksumWrong);

  card_index::WriteCounts(index.data(), {0, 0, 0, 0});
  index[0] = 9;
  card_index::SealChecksum(index.data());
  index[508] += 1;  // one off
  testing::WriteBytes(files / "index00.bin", index);
  tools::card::WriteCardImage(work_ / "off.img", {files.path()});
  UseDrives({work_ / "off.img"});
  ASSERT_EQ(manager.SearchSD(0, nullptr), 1);
  EXPECT_EQ(ListCount(manager), CIndexFileJv::kChecksumWrong);
  index[508] -= 1;
  testing::WriteBytes(files / "index00.bin", index);
  tools::card::WriteCardImage(work_ / "good.img", {files.path()});
  UseDrives({work_ / "good.img"});
  ASSERT_EQ(manager.SearchSD(0, nullptr), 1);
  EXPECT_EQ(ListCount(manager), 0);
}

TEST_F(CardVolumeTest, EveryReadablePartitionIsListed) {
  // Two partitions of one recording each.
  const std::vector<SampleCardRecording> made = MakeCard(work_ / "two.img", [] {
    SampleCardOptions options = Small();
    options.partitions = 2;
    options.files = 1;
    options.recordings = 1;
    return options;
  }());
  const std::string first = tools::card::PartitionFolder(work_ / "files-0", 0);
  const std::string second = tools::card::PartitionFolder(work_ / "files-0", 1);
  const CardTempFolder empty;
  const CardTempFolder damaged;
  for (const auto& file : std::filesystem::directory_iterator(second))
    std::filesystem::copy(file.path(), damaged / file.path().filename().string());
  std::vector<uint8_t> header = testing::ReadBytes(damaged / "index00.bin");
  header[100] ^= 0x10;  // one bit: the header checksum fails
  testing::WriteBytes(damaged / "index00.bin", header);

  struct Case {
    const char* what;
    std::function<void(const std::string& image)> make;
    std::vector<std::string> listed;
    std::vector<std::string> reported;
  };
  const std::vector<Case> cases = {
      {"two partitions", [](const std::string&) {}, {made[0].name, made[1].name}, {}},
      {"partitions 2 and 3 without an index",
       [&](const std::string& image) {
         tools::card::WriteCardImage(image, {first, second, empty.path(), empty.path()});
       },
       {made[0].name, made[1].name},
       {"card partition 2 left out: no index file", "card partition 3 left out: no index file"}},
      {"one bit of partition 1's index header",
       [&](const std::string& image) { tools::card::WriteCardImage(image, {first, damaged.path()}); },
       {made[0].name},
       {"card partition 1 left out: header checksum wrong"}},
      {"unused partition-table entries with starts",
       [&](const std::string& image) {
         tools::card::WriteCardImage(image, {first});
         std::vector<uint8_t> mbr = testing::ReadHead(image, 512);
         for (size_t k = 1; k < 4; ++k) testing::Put32(mbr, 454 + 16 * k, 0x12345678u * k);
         testing::WriteHead(image, mbr);
       },
       {made[0].name},
       {}},
      {"a boot sector in sector 0 with boot code where a partition table would be",
       [&](const std::string& image) {
         testing::MakeFat(image, "-F 32 -s 1", 300 * 1024);
         std::string files;
         for (const auto& file : std::filesystem::directory_iterator(first))
           files.append(" ").append(testing::Quoted(file.path().string()));
         testing::RunTool("mcopy -i " + testing::Quoted(image) + files + " ::");
         std::vector<uint8_t> boot = testing::ReadHead(image, 512);
         for (size_t i = 446; i < 510; ++i) boot[i] = static_cast<uint8_t>(0x90 + i);
         testing::WriteHead(image, boot);
       },
       {made[0].name},
       {}},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string image = n == 0 ? work_ / "two.img" : work_ / ("case" + std::to_string(n) + ".img");
    ++n;
    c.make(image);
    UseDrives({image});
    CIndexFileJvMgr manager;
    testing::DamageCapture damage;
    ASSERT_EQ(manager.SearchSD(0, nullptr), 1);
    std::vector<std::string> names;
    EXPECT_EQ(ListCount(manager, &names), static_cast<int>(c.listed.size()));
    EXPECT_EQ(names, c.listed);
    EXPECT_EQ(damage.lines().size(), c.reported.size());
    for (const std::string& line : c.reported) EXPECT_EQ(damage.Count(line), 1u) << line;
  }
}

TEST_F(CardVolumeTest, AListingWaitsForARecordingReadThroughTheVolume) {
  SampleCardOptions options = Small();
  options.partitions = 2;
  options.files = 1;
  const std::vector<SampleCardRecording> made = MakeCard(work_ / "card.img", options);
  UseDrives({work_ / "card.img"});
  CIndexFileJvMgr& manager = CardIndexManager();
  ASSERT_EQ(manager.SearchSD(0, nullptr), 1);
  ASSERT_EQ(ListCount(manager), static_cast<int>(made.size()));

  // As an export copies: the volume lock held from the mount to the unmount,
  // here of the second partition while the listing mounts both in turn.
  const SampleCardRecording& read = made.back();
  const int partition = ParseCardRecordingName(read.name.c_str())->partition;
  std::vector<bool> whole;
  std::thread reader([&] {
    for (int round = 0; round < 6; ++round) {
      CAutoLock hold(&CardVolumeLock());
      CFileJv file(manager);
      const bool ok = manager.MountPartition(partition) && file.Open(read.name.c_str()) == 0 &&
                      ReadAll(file) == ExpectedOrder(read.frames);
      file.Close();
      manager.UnmountPartition(partition);
      whole.push_back(ok);
    }
  });
  std::vector<int> counts;
  for (int round = 0; round < 6; ++round) counts.push_back(ListCount(manager));
  reader.join();
  EXPECT_EQ(whole, std::vector<bool>(6, true));
  EXPECT_EQ(counts, std::vector<int>(6, static_cast<int>(made.size())));
}

// Lists the card and reads every recording listed; a recording that fails
// part way keeps what it read before.
struct CardRead {
  int listed = 0;
  std::vector<std::string> names;
  std::vector<std::vector<Got>> frames;
};

CardRead ReadCard(CIndexFileJvMgr& manager) {
  CardRead read;
  read.listed = ListCount(manager, &read.names);
  for (const std::string& name : read.names) {
    CFileJv reader(manager);
    const int partition = ParseCardRecordingName(name.c_str())->partition;
    std::vector<Got> frames;
    if (manager.MountPartition(partition) && reader.Open(name.c_str()) == 0) frames = ReadAll(reader);
    reader.Close();
    manager.UnmountPartition(partition);
    read.frames.push_back(frames);
  }
  return read;
}

// Every recording listed is one of the card's and every frame read is the
// frame the card holds there: a fault may lose recordings and frames, never
// change one.
void ExpectNothingWrong(const CardRead& read, const std::vector<SampleCardRecording>& made) {
  for (size_t i = 0; i < read.names.size(); ++i) {
    const auto found = std::find_if(made.begin(), made.end(),
                                    [&](const SampleCardRecording& r) { return r.name == read.names[i]; });
    ASSERT_NE(found, made.end()) << read.names[i];
    const std::vector<Got> expected = ExpectedOrder(found->frames);
    ASSERT_LE(read.frames[i].size(), expected.size()) << read.names[i];
    EXPECT_TRUE(std::equal(read.frames[i].begin(), read.frames[i].end(), expected.begin())) << read.names[i];
  }
}

TEST_F(CardVolumeTest, ReadFaultsLoseRecordingsOrFramesButChangeNone) {
  SampleCardOptions options = Small();
  options.partitions = 2;
  options.files = 1;
  const std::vector<SampleCardRecording> made = MakeCard(work_ / "card.img", options);
  options.folder_mode = true;
  tools::card::WriteSampleCardFiles(options, work_ / "export", true);
  UseDrives({work_ / "card.img"});
  CIndexFileJvMgr manager;
  ASSERT_EQ(manager.SearchSD(0, nullptr), 1);
  const CardRead whole = ReadCard(manager);
  ASSERT_EQ(whole.listed, static_cast<int>(made.size()));
  ExpectNothingWrong(whole, made);

  // Device reads of the card failing from the nth on, or the nth alone.
  InjectDriveReadFault(1 << 30, false);
  ReadCard(manager);
  const int device_reads = DriveReadCallCount();
  for (int nth = 1; nth <= device_reads; ++nth) {
    for (const bool sticky : {false, true}) {
      SCOPED_TRACE("device read " + std::to_string(nth) + (sticky ? " on" : ""));
      InjectDriveReadFault(nth, sticky);
      ExpectNothingWrong(ReadCard(manager), made);
    }
  }
  InjectDriveReadFault(0, false);

  // Byte sources of the card volume and of an export folder that fail,
  // cut reads short or lie about their size.
  std::vector<testing::ReadFaults> faults;
  for (int nth = 1; nth <= 40; ++nth) faults.push_back({nth, false, 0, 0});
  for (int nth = 1; nth <= 40; nth += 3) faults.push_back({nth, true, 0, 0});
  for (const int64_t delta : {-1, -4096, 1, 1 << 20}) faults.push_back({0, false, 0, delta});
  for (const bool folder : {false, true}) {
    if (folder) manager.SetDir((work_ / "export").c_str(), kCardFolderMode);
    for (const testing::ReadFaults& fault : faults) {
      SCOPED_TRACE((folder ? "folder, read " : "card, read ") + std::to_string(fault.fail_read) +
                   " size " + std::to_string(fault.size_delta));
      const testing::ScopedReadFaults scoped(fault);
      ExpectNothingWrong(ReadCard(manager), made);
    }
    // Short reads are no fault: everything reads as without them.
    const testing::ScopedReadFaults short_reads({0, false, 7, 0});
    const CardRead cut = ReadCard(manager);
    EXPECT_EQ(cut.names, whole.names);
    EXPECT_EQ(cut.frames, whole.frames);
  }
  // Nothing stays broken once the faults are gone.
  const CardRead after = ReadCard(manager);
  EXPECT_EQ(after.frames, whole.frames);
}

TEST_F(CardVolumeTest, TwoCardsAtDrivesOneAndThree) {
  MakeCard(work_ / "one.img", Small());
  SampleCardOptions other = Small();
  other.files = 1;
  other.recordings = 1;
  MakeCard(work_ / "three.img", other);
  const CardTempFolder no_index;
  testing::WriteBytes(no_index / "other.bin", {1, 2, 3});
  tools::card::WriteCardImage(work_ / "plain.img", {no_index.path()});
  // Drive 0 is no image or block device, 2 does not exist, 4 has a volume
  // but no index.
  UseDrives({"/dev/null", work_ / "one.img", work_ / "missing.img", work_ / "three.img",
             work_ / "plain.img"});
  CIndexFileJvMgr manager;
  JvSearchResult results[kCardProbedDrives];
  std::memset(results, 0x5A, sizeof results);
  ASSERT_EQ(manager.SearchSD(-1, results), 2);
  const auto* words = reinterpret_cast<const int32_t*>(results);
  EXPECT_EQ(words[0], 1);
  EXPECT_EQ(words[1], 0);  // an image is not removable media
  EXPECT_EQ(words[10], 3);
  EXPECT_EQ(words[11], 0);
  EXPECT_EQ(words[20], 0x5A5A5A5A);  // nothing written past the cards found
  EXPECT_EQ(manager.drive(), 3);
  // The drive probed after the last card does not take its place.
  EXPECT_EQ(ListCount(manager), 1);

  EXPECT_EQ(manager.SearchSD(1, nullptr), 1);
  EXPECT_EQ(manager.SearchSD(2, nullptr), 0);
  EXPECT_EQ(manager.SearchSD(4, nullptr), 0);
  EXPECT_EQ(manager.drive(), 1);
  EXPECT_EQ(ListCount(manager), 6);
}

}  // namespace
}  // namespace brisca
