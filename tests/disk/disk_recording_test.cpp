// The disk reader and the disk search over recorder-disk images made by the
// image writer from hand-built recordings.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>
#include <utility>

#include "brisca/disk/disk_manager.h"
#include "brisca/disk/disk_reader.h"
#include "platform/talvo_file_system/disk_image_writer.h"
#include "tests/disk/recording_builder.h"

namespace brisca {
namespace {

using namespace brisca::testing;

struct Planned {
  std::unique_ptr<RecordingBuilder> recording;
  uint8_t channel;
  uint8_t type;
  tvfs::DiskDate date;
};

tvfs::SegmentDescription Describe(const Planned& plan, uint32_t start_second, uint32_t end_second) {
  tvfs::SegmentDescription segment;
  segment.channel = plan.channel;
  segment.record_type = plan.type;
  segment.date = plan.date;
  segment.start = tvfs::TimeOfDay::FromSeconds(start_second % 86400);
  segment.end = tvfs::TimeOfDay::FromSeconds(end_second % 86400);
  uint32_t last_second = UINT32_MAX;
  for (const BuiltFrame& key : plan.recording->KeyFrames()) {
    const uint32_t second = start_second + static_cast<uint32_t>((key.timestamp - plan.recording->frames()[0].timestamp) / 1000);
    if (second == last_second) continue;
    segment.time_index.push_back({key.offset, second});
    last_second = second;
  }
  const Bytes* bytes = &plan.recording->bytes();
  segment.data_size = bytes->size();
  segment.read_data = [bytes](uint64_t offset, uint8_t* out, size_t length) {
    if (offset + length > bytes->size()) return false;
    std::memcpy(out, bytes->data() + offset, length);
    return true;
  };
  return segment;
}

class DiskRecordingTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    image_ = new std::string((std::filesystem::temp_directory_path() /
                              ("brisca-disk-" + std::to_string(getpid()) + ".img")).string());
    plans_ = new std::vector<Planned>();
    // Date 1: channel 0 at 14:05:09 (4 s, 300 KB key frames), channel 1 at
    // 14:05:09, and channel 2 from 23:59:58 to 00:00:01 of date 2, which
    // holds one more. Types are cause bits, some with two.
    const uint32_t t1405 = 14 * 3600 + 5 * 60 + 9;
    AddPlan(0, 0x28, {26, 3, 8}, t1405, 100, 10, 20000, 300000);
    AddPlan(1, 0x10, {26, 3, 8}, t1405, 50, 25, 500, 4000);
    AddPlan(2, 0x08, {26, 3, 8}, 86400 - 2, 100, 25, 500, 4000);
    AddPlan(3, 0x48, {26, 3, 9}, 8 * 3600, 75, 25, 500, 4000);

    tvfs::DiskImageWriter writer(7);
    std::string error;
    for (size_t i = 0; i < plans_->size(); ++i) {
      const Planned& plan = (*plans_)[i];
      const uint32_t duration = static_cast<uint32_t>(plan.recording->frames().back().timestamp -
                                                      plan.recording->frames().front().timestamp) / 1000;
      ASSERT_TRUE(writer.AddSegment(Describe(plan, starts_[i], starts_[i] + duration), error)) << error;
    }
    tvfs::WriteReport report;
    ASSERT_TRUE(writer.Write(*image_, report, error)) << error;
    setenv("BRISCA_DRIVES", ("/nonexistent-c:/nonexistent-d:" + *image_).c_str(), 1);
  }

  static void TearDownTestSuite() {
    std::filesystem::remove(*image_);
    unsetenv("BRISCA_DRIVES");
    delete image_;
    delete plans_;
  }

  static void AddPlan(uint8_t channel, uint8_t type, tvfs::DiskDate date, uint32_t start_second,
                      int frames, int key_interval, size_t payload, size_t key_payload) {
    auto recording = std::make_unique<RecordingBuilder>();
    recording->set_start(500000 + 100000 * plans_->size(), start_second % 86400);
    recording->Video(frames, key_interval, payload, key_payload);
    plans_->push_back({std::move(recording), channel, type, date});
    starts_.push_back(start_second);
  }

  // Finds the disk on "E:" and mounts it for reading.
  void SetUp() override {
    NvrSearchResult found[kDriveCount] = {};
    ASSERT_EQ(DiskManager().SearchSD(-1, found), 1);
    EXPECT_EQ(found[0].drive_index, 2);
    ASSERT_EQ(DiskManager().Mount(), 0);
  }
  void TearDown() override { DiskManager().Unmount(); }

  static inline std::string* image_ = nullptr;
  static inline std::vector<Planned>* plans_ = nullptr;
  static inline std::vector<uint32_t> starts_;
};

TEST_F(DiskRecordingTest, ListsEveryRecordingTheOneCrossingMidnightUnderItsStartDate) {
  DiskManager().Unmount();
  RecFileParam* list = nullptr;
  const int count = DiskManager().GetFileParam(&list);
  ASSERT_EQ(count, 4);
  ASSERT_NE(list, nullptr);
  EXPECT_STREQ(list[0].name, "7\\20260308\\1");
  EXPECT_EQ(list[0].channel, 1);
  EXPECT_EQ(list[0].record_type, 0x28);
  EXPECT_EQ(list[0].start_time.year, 2026);
  EXPECT_EQ(list[0].start_time.hour, 14);
  // 64-bit fields of the packed record are copied, not bound by reference.
  EXPECT_EQ(uint64_t{list[0].start}, 50709000u);
  EXPECT_EQ(uint64_t{list[0].end}, 50712000u);
  EXPECT_EQ(list[0].duration_ms, 3000);
  EXPECT_EQ(list[1].channel, 2);
  EXPECT_EQ(list[1].record_type, 0x10);

  // 23:59:58 to 00:00:01: the end carries the next date and continues the
  // start date's milliseconds past 24:00.
  const RecFileParam& night = list[2];
  EXPECT_STREQ(night.name, "7\\20260308\\3");
  EXPECT_EQ(night.channel, 3);
  EXPECT_EQ(night.start_time.day, 8);
  EXPECT_EQ(night.start_time.hour, 23);
  EXPECT_EQ(night.end_time.year, 2026);
  EXPECT_EQ(night.end_time.month, 3);
  EXPECT_EQ(night.end_time.day, 9);
  EXPECT_EQ(night.end_time.hour, 0);
  EXPECT_EQ(night.end_time.second, 1);
  EXPECT_EQ(uint64_t{night.start}, 86398000u);
  EXPECT_EQ(uint64_t{night.end}, 86401000u);
  EXPECT_EQ(night.duration_ms, 3000);

  EXPECT_EQ(list[3].start_time.day, 9);
  EXPECT_EQ(list[3].end_time.day, 9);
  EXPECT_EQ(list[3].channel, 4);
  EXPECT_EQ(list[3].record_type, 0x48);
  FreeFileParamArray(list);
  ASSERT_EQ(DiskManager().Mount(), 0);
}

TEST_F(DiskRecordingTest, PlaysTheRecordingCrossingMidnightIntoTheNextDay) {
  CFileNvr disk(SourceKind::kDiskStream);
  ASSERT_EQ(disk.Open("7\\20260308\\3"), 0);
  const RecFileParam param = disk.file_param();
  EXPECT_EQ(param.start_time.day, 8);
  EXPECT_EQ(param.end_time.day, 9);
  EXPECT_EQ(param.end_time.hour, 0);
  EXPECT_EQ(param.end_time.second, 1);
  EXPECT_EQ(param.duration_ms, 3960);
  // Key frames every second from 700000 ms; 2.5 s in is 00:00:00.5 of the
  // next day, whose key frame the time index gives.
  for (const auto& [ms, expected] : {std::pair{2500, 702000u}, std::pair{3900, 703000u},
                                     std::pair{1999, 701000u}}) {
    ASSERT_EQ(disk.Seek(ms, 0), 0) << ms;
    RecFrame* frame = nullptr;
    RecFrame* info = nullptr;
    ASSERT_EQ(disk.ReadFrame(&frame, &info), 0) << ms;
    EXPECT_EQ(frame->kind, FRAME_VIDEO_KEY) << ms;
    EXPECT_EQ(frame->timestamp, expected) << ms;
    disk.ReleaseFrame(frame);
  }
}

TEST_F(DiskRecordingTest, ReadsTheRecordingAsWritten) {
  for (const char* name : {"7\\20260308\\1", "7\\20260308\\2"}) {
    CFileNvr disk(SourceKind::kDiskStream);
    ASSERT_EQ(disk.Open(name), 0) << name;
    CFileNvr host(SourceKind::kHostFile);
    const Planned& plan = (*plans_)[std::string(name).back() - '1'];
    ASSERT_EQ(host.Open(plan.recording->Write().c_str()), 0);
    RecFrame* a = nullptr;
    RecFrame* b = nullptr;
    RecFrame* info = nullptr;
    size_t frames = 0;
    while (disk.ReadFrame(&a, &info) == 0) {
      ASSERT_EQ(host.ReadFrame(&b, &info), 0);
      ASSERT_EQ(a->length, b->length);
      EXPECT_EQ(a->timestamp, b->timestamp);
      EXPECT_EQ(0, std::memcmp(a->data, b->data, a->length));
      disk.ReleaseFrame(a);
      host.ReleaseFrame(b);
      ++frames;
    }
    EXPECT_EQ(host.ReadFrame(&b, &info), 1);
    EXPECT_EQ(frames, plan.recording->frames().size());
  }
}

TEST_F(DiskRecordingTest, ShortSegmentTakesItsEndFromTheStart) {
  // 66 KB: the file system refuses the seek to 2,000,000 bytes before the end.
  CFileNvr disk(SourceKind::kDiskStream);
  ASSERT_EQ(disk.Open("7\\20260308\\2"), 0);
  const RecFileParam param = disk.file_param();
  EXPECT_EQ(param.duration_ms, 1960);
  EXPECT_EQ(param.end_time.second, 10);
  CFileNvr large(SourceKind::kDiskStream);
  ASSERT_EQ(large.Open("7\\20260308\\1"), 0);
  EXPECT_EQ(large.file_param().duration_ms, 3960);
}

TEST_F(DiskRecordingTest, SeeksThroughTheTimeIndex) {
  CFileNvr disk(SourceKind::kDiskStream);
  ASSERT_EQ(disk.Open("7\\20260308\\1"), 0);
  RecFrame* frame = nullptr;
  RecFrame* info = nullptr;
  ASSERT_EQ(disk.Seek(0, 0), 0);
  ASSERT_EQ(disk.ReadFrame(&frame, &info), 0);
  EXPECT_EQ(frame->timestamp, 500000u);
  disk.ReleaseFrame(frame);

  ASSERT_EQ(disk.Seek(2500, 0), 0);  // 14:05:11 → the first key frame of that second
  ASSERT_EQ(disk.ReadFrame(&frame, &info), 0);
  EXPECT_EQ(frame->kind, FRAME_VIDEO_KEY);
  EXPECT_EQ(frame->timestamp, 502000u);
  disk.ReleaseFrame(frame);

  EXPECT_EQ(disk.Seek(3961, 0), 1);
}

TEST_F(DiskRecordingTest, StepsByKeyFramesBothWays) {
  CFileNvr disk(SourceKind::kDiskStream);
  ASSERT_EQ(disk.Open("7\\20260308\\1"), 0);
  size_t forward = 0;
  RecFrame* frame = nullptr;
  while (disk.NextKeyFrame(&frame) == 0) {
    disk.ReleaseFrame(frame);
    ++forward;
  }
  EXPECT_EQ(forward, (*plans_)[0].recording->KeyFrames().size());
  size_t backward = 0;
  uint64_t previous = UINT64_MAX;
  while (disk.PrevKeyFrame(&frame) == 0) {
    EXPECT_LT(frame->timestamp, previous);
    previous = frame->timestamp;
    disk.ReleaseFrame(frame);
    ++backward;
  }
  EXPECT_EQ(backward, forward - 1);  // every key frame before the last one
}

TEST_F(DiskRecordingTest, ReadersOnSeveralThreadsShareTheMountedDisk) {
  std::vector<size_t> counts(4, 0);
  std::vector<std::thread> readers;
  for (size_t i = 0; i < counts.size(); ++i) {
    readers.emplace_back([i, &counts] {
      CFileNvr disk(SourceKind::kDiskStream);
      if (disk.Open(i % 2 ? "7\\20260308\\2" : "7\\20260308\\1") != 0) return;
      RecFrame* frame = nullptr;
      RecFrame* info = nullptr;
      while (disk.ReadFrame(&frame, &info) == 0) {
        disk.ReleaseFrame(frame);
        ++counts[i];
      }
    });
  }
  for (std::thread& reader : readers) reader.join();
  for (size_t i = 0; i < counts.size(); ++i)
    EXPECT_EQ(counts[i], (*plans_)[i % 2].recording->frames().size()) << i;
}

TEST_F(DiskRecordingTest, UnknownNameAndUnmountedDiskDoNotOpen) {
  CFileNvr disk(SourceKind::kDiskStream);
  EXPECT_EQ(disk.Open("7\\20260308\\99"), 1);
  EXPECT_EQ(disk.Open("garbage"), 1);
  DiskManager().Unmount();
  EXPECT_EQ(disk.Open("7\\20260308\\1"), 1);
  ASSERT_EQ(DiskManager().Mount(), 0);
}

TEST_F(DiskRecordingTest, ProbeOfASingleDrive) {
  EXPECT_EQ(DiskManager().SearchSD(2, nullptr), 1);
  EXPECT_EQ(DiskManager().SearchSD(0, nullptr), 0);
  EXPECT_EQ(DiskManager().SearchSD(12, nullptr), 0);
}

// A drive whose device exists but may not be read is remembered by the
// probe of every drive; a missing one or one that is no disk is not.
TEST(DiskSearchTest, RemembersDrivesItMayNotRead) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("brisca-denied-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const std::string first = (folder / "first-unreadable").string();
  const std::string second = (folder / "second-unreadable").string();
  const std::string plain = (folder / "not-a-disk").string();
  for (const std::string& path : {first, second, plain}) std::ofstream(path) << "not a disk";
  std::filesystem::permissions(first, std::filesystem::perms::none);
  std::filesystem::permissions(second, std::filesystem::perms::none);
  struct Case {
    std::string drives;
    int denied;
    std::string first_path;
  };
  for (const Case& c : {Case{"/nonexistent:" + first + ":" + plain + ":" + second, 2, first},
                        Case{plain + ":/nonexistent", 0, ""},
                        Case{second, 1, second}}) {
    setenv("BRISCA_DRIVES", c.drives.c_str(), 1);
    EXPECT_EQ(DiskManager().SearchSD(-1, nullptr), 0) << c.drives;
    std::string path = "stale";
    EXPECT_EQ(DiskManager().DeniedDrives(path), c.denied) << c.drives;
    EXPECT_EQ(path, c.first_path) << c.drives;
  }
  // A probe of one drive leaves what the last probe of all found.
  EXPECT_EQ(DiskManager().SearchSD(0, nullptr), 0);
  std::string path;
  EXPECT_EQ(DiskManager().DeniedDrives(path), 1);
  unsetenv("BRISCA_DRIVES");
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace brisca
