// The disk search and the disk reader over a damaged disk: a date whose
// segment table is damaged costs only its own recordings and is named once,
// and a recording whose time index is damaged opens and seeks to the same
// frames as with the index intact.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "brisca/base/damage_report.h"
#include "brisca/base/diag_log.h"
#include "brisca/disk/disk_manager.h"
#include "brisca/disk/disk_reader.h"
#include "tests/platform/disk_test_support.h"

namespace tvfs::testing {
namespace {

std::vector<std::string>& Reports() {
  static std::vector<std::string> reports;
  return reports;
}

void Collect(const char* text) { Reports().emplace_back(text); }

class DiskDegradeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    brisca::ProcessLog().SetRoot(folder_.File("state"));
    Reports().clear();
    brisca::SetDamageSink(Collect);
    // Ten recordings over three dates: four, three and three.
    std::vector<StreamSegment> segments;
    for (int i = 0; i < 10; ++i) {
      const unsigned day = i < 4 ? 1 : i < 7 ? 2 : 3;
      segments.push_back({static_cast<uint8_t>(i % 4), static_cast<uint8_t>(i % 3),
                          MakeStream(At(2026, 5, day, 8 + i, 0, 0), 5)});
    }
    good_ = ReadFile(BuildImage(folder_, "good.img", 9, segments));
    image_ = folder_.File("disk.img");
  }
  void TearDown() override {
    brisca::DiskManager().Unmount();
    brisca::SetDamageSink(nullptr);
    ::unsetenv("BRISCA_DRIVES");
    brisca::ProcessLog().SetRoot(brisca::ProgramFolder());
  }

  // Lists the disk `bytes` as drive "C:"; the names listed, or the error.
  std::vector<std::string> List(const Bytes& bytes) {
    WriteFile(image_, bytes);
    ::setenv("BRISCA_DRIVES", image_.c_str(), 1);
    NvrSearchResult found[brisca::kDriveCount] = {};
    EXPECT_EQ(brisca::DiskManager().SearchSD(-1, found), 1);
    RecFileParam* list = nullptr;
    const int count = brisca::DiskManager().GetFileParam(&list);
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) names.emplace_back(list[i].name);
    if (count == 1 && !list) names = {"error"};
    brisca::FreeFileParamArray(list);
    return names;
  }

  // The timestamps of the first frame read after seeking `recording` of
  // `bytes` to each of `offsets` (milliseconds from its start).
  std::vector<uint64_t> SeekAndRead(const Bytes& bytes, const char* recording,
                                    const std::vector<int32_t>& offsets) {
    WriteFile(image_, bytes);
    brisca::DiskManager().SetDir(image_.c_str(), 1);
    EXPECT_EQ(brisca::DiskManager().Mount(), 0);
    brisca::CFileNvr reader;
    EXPECT_EQ(reader.Open(recording), 0);
    std::vector<uint64_t> timestamps;
    for (const int32_t ms : offsets) {
      EXPECT_EQ(reader.Seek(ms, 0), 0) << ms;
      brisca::RecFrame* frame = nullptr;
      brisca::RecFrame* info = nullptr;
      EXPECT_EQ(reader.ReadFrame(&frame, &info), 0) << ms;
      timestamps.push_back(frame ? frame->timestamp : 0);
      if (frame) reader.ReleaseFrame(frame);
      if (info) reader.ReleaseFrame(info);
    }
    reader.Close();
    brisca::DiskManager().Unmount();
    return timestamps;
  }

  TempFolder folder_;
  Bytes good_;
  std::string image_;
};

TEST_F(DiskDegradeTest, DamagedDateTableHidesOnlyThatDate) {
  const std::vector<std::string> all = List(good_);
  ASSERT_EQ(all.size(), 10u);
  EXPECT_TRUE(Reports().empty());

  ImageEditor editor(good_);
  Bytes damaged = good_;
  damaged[editor.segment_entry_offset(1, 1) + 13] ^= 0x04;
  const std::vector<std::string> listed = List(damaged);
  std::vector<std::string> expected(all.begin(), all.begin() + 4);
  expected.insert(expected.end(), all.begin() + 7, all.end());
  EXPECT_EQ(listed, expected);
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_NE(Reports()[0].find("2026-05-02"), std::string::npos) << Reports()[0];
}

TEST_F(DiskDegradeTest, DamagedTimeIndexSeeksByReading) {
  const std::vector<int32_t> offsets = {0, 999, 1000, 2500, 4000, 1200, 0};
  const char* recording = "9\\20260502\\6";
  const std::vector<uint64_t> intact = SeekAndRead(good_, recording, offsets);
  EXPECT_EQ(intact, (std::vector<uint64_t>{1000000, 1000000, 1001000, 1002000, 1004000, 1001000,
                                           1000000}));
  EXPECT_TRUE(Reports().empty());

  ImageEditor editor(good_);
  Bytes damaged = good_;
  damaged[editor.segment(1, 1).index_offset + 3] ^= 0x10;
  EXPECT_EQ(SeekAndRead(damaged, recording, offsets), intact);
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_NE(Reports()[0].find("9\\20260502\\6"), std::string::npos) << Reports()[0];
}

}  // namespace
}  // namespace tvfs::testing
