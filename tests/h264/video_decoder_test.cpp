// The channel's video decoder: key-frame wait, display set-up and size
// changes, refresh and snapshot, over a memory presentation target.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "brisca/api/brisca.h"
#include "brisca/decode/cvdec_his.h"
#include "brisca/present/direct_draw.h"
#include "brisca/recordings/rec_frame.h"
#include "brisca/testing/memory_target.h"
#include "tests/h264/h264_test_support.h"

namespace brisca {
namespace {

using test::VideoUnit;
using testing::MemoryTarget;

// The first row of luma of the last picture `memory` was shown.
std::vector<uint8_t> FirstLumaRow(const MemoryTarget& memory) {
  const std::vector<uint8_t> pixels = memory.pixels();
  const auto width = std::min(static_cast<size_t>(memory.last().width), pixels.size());
  return {pixels.begin(), pixels.begin() + static_cast<std::ptrdiff_t>(width)};
}

class VideoDecoderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = test::TestFolder();
    display_.SetWindow(memory_.target());
    decoder_.BindDisplay(&display_);
    ASSERT_EQ(decoder_.Open(0, 0, 0), 1);
  }
  void TearDown() override { decoder_.Close(); }

  std::vector<VideoUnit> Recording(const std::string& name, const std::string& size) {
    const std::string path = folder_ + "/" + name + ".strm";
    EXPECT_TRUE(test::GenerateRecording("--size " + size + " --duration 1 --fps 10 --keyint 5 --audio none", path));
    return test::ReadVideoUnits(path);
  }
  int Feed(const VideoUnit& unit) {
    const uint8_t stamp[kPictureStampSize] = {static_cast<uint8_t>(unit.timestamp)};
    return decoder_.Decode(unit.key ? FRAME_VIDEO_KEY : FRAME_VIDEO_PREDICTED, unit.bytes.data(),
                           static_cast<uint32_t>(unit.bytes.size()),
                           static_cast<uint32_t>(unit.timestamp),
                           static_cast<uint32_t>(unit.timestamp >> 32), stamp);
  }

  std::string folder_;
  MemoryTarget memory_{{.keep_pixels = true}};
  CDirectDraw display_;
  CVDECHis decoder_;
};

TEST_F(VideoDecoderTest, NothingIsShownBeforeTheFirstKeyFrame) {
  const std::vector<VideoUnit> units = Recording("wait", "176x144");
  ASSERT_GE(units.size(), 10u);
  // Start at the second predicted frame of the first group.
  EXPECT_EQ(Feed(units[1]), 0);
  EXPECT_EQ(Feed(units[2]), 0);
  EXPECT_EQ(memory_.presents(), 0u);
  size_t fed = 0;
  for (size_t i = 5; i < units.size(); ++i) fed += Feed(units[i]);
  EXPECT_EQ(fed, units.size() - 5);
  EXPECT_EQ(memory_.presents(), units.size() - 5);
}

TEST_F(VideoDecoderTest, SizeChangeSetsTheDisplayUpAgain) {
  for (const VideoUnit& unit : Recording("small", "176x144")) Feed(unit);
  for (const VideoUnit& unit : Recording("large", "352x288")) Feed(unit);
  const std::vector<testing::Presented> shown = memory_.presented();
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.front().width, 176);
  EXPECT_EQ(shown.back().width, 352);
  EXPECT_EQ(shown.back().height, 288);
  EXPECT_EQ(decoder_.width(), 352);
}

TEST_F(VideoDecoderTest, RefreshAndSnapshotUseTheLastPicture) {
  decoder_.Refresh();
  EXPECT_EQ(memory_.presents(), 0u);
  uint8_t stamp[kPictureStampSize] = {};
  const std::string bmp = folder_ + "/snap.bmp";
  EXPECT_EQ(decoder_.Snapshot(bmp, stamp), 0);
  EXPECT_FALSE(std::filesystem::exists(bmp));  // no picture yet

  const std::vector<VideoUnit> units = Recording("refresh", "176x144");
  for (const VideoUnit& unit : units) Feed(unit);
  const std::vector<uint8_t> last_row = FirstLumaRow(memory_);
  decoder_.Refresh();
  ASSERT_EQ(memory_.presents(), units.size() + 1);
  EXPECT_EQ(FirstLumaRow(memory_), last_row);

  EXPECT_EQ(decoder_.Snapshot(bmp, stamp), 0);
  EXPECT_EQ(std::filesystem::file_size(bmp), 54u + 176 * 144 * 3);
  EXPECT_EQ(stamp[0], static_cast<uint8_t>(units.back().timestamp));
}

}  // namespace
}  // namespace brisca
