// A medium that fails reads, comes back short or lies about its size: the
// file system ends every walk with an error code or the same data, and a
// crafted count costs no more reads than the medium can hold.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "platform/talvo_file_system/talvo_file_system.h"
#include "platform/talvo_file_system/tvfs_instance.h"
#include "tests/platform/disk_test_support.h"
#include "tests/platform/faulty_byte_source.h"

namespace tvfs::testing {
namespace {

class TvfsFaultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    good_ = ReadFile(BuildImage(folder_, "good.img", 4,
                                {{0, 0, MakeStream(At(2026, 5, 1, 10, 0, 0), 4)},
                                 {1, 1, MakeStream(At(2026, 5, 1, 11, 0, 0), 3)},
                                 {2, 2, MakeStream(At(2026, 5, 2, 12, 0, 0), 3)}}));
    clean_ = WalkSource(std::make_shared<FaultyByteSource>(good_, ReadFaults{}));
    ASSERT_EQ(clean_.text, "0 | 1: oo | 2: o");
  }

  Walk WalkWith(const ReadFaults& faults) const {
    return WalkSource(std::make_shared<FaultyByteSource>(good_, faults));
  }

  TempFolder folder_;
  Bytes good_;
  Walk clean_;
};

TEST_F(TvfsFaultTest, ShortReadsAndALargerClaimedSizeChangeNothing) {
  for (const ReadFaults& faults : {ReadFaults{0, false, 1, 0}, ReadFaults{0, false, 7, 0},
                                   ReadFaults{0, false, 4095, 0},
                                   ReadFaults{0, false, SIZE_MAX, 1 << 20}}) {
    const Walk walk = WalkWith(faults);
    EXPECT_EQ(walk.text, clean_.text) << faults.max_per_read << " " << faults.size_error;
    EXPECT_EQ(walk.data_crcs, clean_.data_crcs);
  }
}

TEST_F(TvfsFaultTest, MediumSmallerThanTheImageIsCorrupt) {
  const auto held = static_cast<int64_t>(good_.size());
  for (const int64_t missing : {int64_t{-1}, int64_t{-100}, 20 - held}) {
    EXPECT_EQ(WalkWith({0, false, SIZE_MAX, missing}).text, "-5") << missing;
  }
  EXPECT_EQ(WalkWith({0, false, SIZE_MAX, -held}).text, "-4");
}

// Whichever read fails, once or for good, the walk ends with TVFS_E_IO where
// the read was needed, and everything it does deliver is the true data.
TEST_F(TvfsFaultTest, EveryFailedReadEndsCleanly) {
  auto counting = std::make_shared<FaultyByteSource>(good_, ReadFaults{});
  WalkSource(counting);
  const uint64_t reads = counting->reads();
  ASSERT_GT(reads, 5u);
  for (const bool sticky : {false, true}) {
    for (uint64_t n = 1; n <= reads; ++n) {
      const Walk walk = WalkWith({n, sticky, SIZE_MAX, 0});
      EXPECT_TRUE(ShowsOnlyErrors(walk.text, {"-6"})) << n << " " << sticky << ": " << walk.text;
      EXPECT_NE(walk.text, clean_.text) << n << " " << sticky;
      for (const uint32_t crc : walk.data_crcs) {
        EXPECT_NE(std::find(clean_.data_crcs.begin(), clean_.data_crcs.end(), crc),
                  clean_.data_crcs.end());
      }
    }
  }
}

// Counts that claim more entries than the image can hold are refused before
// anything is read for them; one that the claimed size allows but the
// medium does not hold fails on the first missing bytes.
TEST_F(TvfsFaultTest, CraftedCountsCostBoundedReads) {
  struct Case {
    const char* what;
    uint64_t image_size;
    uint32_t date_count;
    uint32_t segment_count;
    int64_t size_error;
    int result;
  };
  const uint64_t held = good_.size();
  const Case cases[] = {
      {"dates beyond the image", held, kMaxDates, kMaxDates, 0, TVFS_E_CORRUPT},
      {"segments beyond the image", held, 3, kMaxSegments, 0, TVFS_E_CORRUPT},
      {"dates the medium only claims", uint64_t{1} << 40, kMaxDates, kMaxDates,
       (int64_t{1} << 40) - static_cast<int64_t>(held), TVFS_E_IO},
  };
  for (const Case& c : cases) {
    ImageEditor editor(good_);
    Superblock block = editor.superblock();
    block.image_size = c.image_size;
    block.date_count = c.date_count;
    block.segment_count = c.segment_count;
    editor.set_superblock(block);
    auto source = std::make_shared<FaultyByteSource>(
        editor.bytes(), ReadFaults{0, false, SIZE_MAX, c.size_error});
    EXPECT_EQ(WalkSource(source).text, std::to_string(c.result)) << c.what;
    EXPECT_LE(source->reads(), 4u) << c.what;
  }
}

}  // namespace
}  // namespace tvfs::testing
