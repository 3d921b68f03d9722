// The disk family through libbrisca.so and its public header only, the way
// the player program calls it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "brisca.h"
#include "platform/talvo_file_system/disk_image_writer.h"

namespace {

// A tiny stream: one key frame with a clock at 09:30:00 and one a second later.
std::vector<uint8_t> TinyStream(uint8_t minute) {
  std::vector<uint8_t> out;
  for (uint8_t second : {0, 1}) {
    const uint8_t items[] = {2, 12, 0, 0, 26, 3, 8, 9, minute, second, 0, 0};
    const uint8_t header[] = {1, '2', 'd', 'c', 4, 0, 0, 0, sizeof items, 0, 0, 0};
    out.insert(out.end(), header, header + sizeof header);
    out.insert(out.end(), items, items + sizeof items);
    out.insert(out.end(), {0, 0, 0, 1});
  }
  return out;
}

class DiskExportsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    image_ = (std::filesystem::temp_directory_path() /
              ("brisca-api-" + std::to_string(getpid()) + ".img")).string();
    tvfs::DiskImageWriter writer(3);
    std::string error;
    streams_.reserve(2);  // segments keep pointers to their streams
    for (uint8_t minute : {30, 31}) {
      streams_.push_back(TinyStream(minute));
      const std::vector<uint8_t>* data = &streams_.back();
      tvfs::SegmentDescription segment;
      segment.channel = minute - 30;
      segment.record_type = 2;
      segment.date = {26, 3, 8};
      segment.start = {9, minute, 0};
      segment.end = {9, minute, 1};
      segment.time_index = {{0, 9u * 3600 + minute * 60u}};
      segment.data_size = data->size();
      segment.read_data = [data](uint64_t offset, uint8_t* out, size_t length) {
        std::memcpy(out, data->data() + offset, length);
        return true;
      };
      ASSERT_TRUE(writer.AddSegment(std::move(segment), error)) << error;
    }
    tvfs::WriteReport report;
    ASSERT_TRUE(writer.Write(image_, report, error)) << error;
    setenv("BRISCA_DRIVES", ("/no-c:/no-d:/no-e:" + image_).c_str(), 1);
  }
  void TearDown() override {
    unsetenv("BRISCA_DRIVES");
    std::filesystem::remove(image_);
  }

  std::string image_;
  std::vector<std::vector<uint8_t>> streams_;
};

TEST_F(DiskExportsTest, SearchListAndFree) {
  NvrSearchResult results[12];
  std::memset(results, 0x55, sizeof results);
  ASSERT_EQ(NVR_SearchSD(-1, results), 1);
  EXPECT_EQ(results[0].drive_index, 3);  // "F:"
  EXPECT_EQ(results[0].reserved0, 0);
  EXPECT_EQ(NVR_SearchSD(3, nullptr), 1);
  EXPECT_EQ(NVR_SearchSD(4, nullptr), 0);

  RecFileParam* list = nullptr;
  ASSERT_EQ(NVR_GetFileParam(&list, nullptr, 0), 2);
  ASSERT_NE(list, nullptr);
  EXPECT_STREQ(list[0].name, "3\\20260308\\1");
  // 64-bit fields of the packed record are copied, not bound by reference.
  EXPECT_EQ(uint64_t{list[0].start}, (9u * 3600 + 30 * 60) * 1000);
  EXPECT_EQ(list[0].duration_ms, 1000);
  EXPECT_EQ(list[1].channel, 2);
  EXPECT_EQ(list[1].record_type, 2);
  NVR_FreeFileParam(list);
  JV_FreeFileParam(nullptr);
}

TEST_F(DiskExportsTest, MountNeedsADecoderHandle) {
  uint32_t decoder = 0;
  ASSERT_EQ(BR_CreateDecoder(&decoder), 0);
  ASSERT_NE(decoder, 0u);
  EXPECT_EQ(NVR_SetDir(image_.c_str(), 1), 1);
  EXPECT_EQ(NVR_Mount(0, 0), -1);
  EXPECT_EQ(NVR_UnMount(0, 0), -1);
  EXPECT_EQ(NVR_Mount(decoder, 0), 0);
  EXPECT_EQ(JV_UnMount(decoder, 0), 0);
  EXPECT_EQ(JV_Mount(decoder, 0), 0);
  EXPECT_EQ(NVR_UnMount(decoder, 0), 0);
  EXPECT_EQ(NVR_SetDir("/no/such/disk", 1), 1);
  EXPECT_NE(NVR_Mount(decoder, 0), 0);
  EXPECT_EQ(NVR_SetDir("/no/such/disk", 0), 0);
  EXPECT_EQ(NVR_Mount(decoder, 0), 0);  // mode 0 mounts nothing
  EXPECT_EQ(BR_EraseDecoder(decoder), 0);
}

TEST_F(DiskExportsTest, MountRefusesHandlesThatFindNoDecoder) {
  EXPECT_EQ(NVR_SetDir(image_.c_str(), 1), 1);
  uint32_t erased = 0;
  ASSERT_EQ(BR_CreateDecoder(&erased), 0);
  ASSERT_EQ(BR_EraseDecoder(erased), 0);
  for (uint32_t decoder : {erased, 0x12345u}) {
    EXPECT_EQ(NVR_Mount(decoder, 0), -1);
    EXPECT_EQ(JV_Mount(decoder, 0), -1);
    EXPECT_EQ(NVR_UnMount(decoder, 0), -1);
    EXPECT_EQ(JV_UnMount(decoder, 0), -1);
  }
}

TEST_F(DiskExportsTest, NoDiskGivesNothingToList) {
  setenv("BRISCA_DRIVES", "/no-c", 1);
  NvrSearchResult results[12];
  EXPECT_EQ(NVR_SearchSD(-1, results), 0);
}

}  // namespace
