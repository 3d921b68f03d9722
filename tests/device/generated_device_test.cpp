// Device files from the generator (`brisca sample device`) read back: every
// chunk, the telemetry with its acceleration, the back links of every key
// chunk down to the first.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "brisca/device/device_reader.h"
#include "tests/device/device_file_builder.h"

namespace brisca {
namespace {

std::string Generate(const std::string& name, const std::string& options) {
  const std::string path = testing::DeviceTestFolder() + "/" + name;
  const std::string command =
      std::string(DEVICE_TEST_TOOL) + " sample device " + path + " " + options + " >/dev/null";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  return path;
}

TEST(GeneratedDeviceTest, EveryChunkTelemetryAndBackLinkReadsBack) {
  // 8 s at 10 fps: 80 pictures, a key frame every 12 (7 key chunks),
  // telemetry twice a second and on every key frame, IMA voice of type 3.
  const std::string path = Generate(
      "gen-001-01-260308-140509-00e0001.dav",
      "--size 96x64 --fps 10 --keyint 12 --duration 8 --info-rate 2 --audio ima "
      "--audio-type 3 --device-type CAM_510_27XX --channel 3 --data-end");
  CFileAuds reader;
  ASSERT_EQ(reader.Open(path.c_str()), 0);
  EXPECT_EQ(reader.interval_ms(), 500u);  // the name is not 32 characters
  EXPECT_EQ(reader.audio_type(), 3);
  uint32_t counts[4] = {};
  uint32_t info_on_keys = 0;
  uint64_t previous = 0;
  RecFrame* frame = nullptr;
  RecFrame* info = nullptr;
  while (reader.ReadFrame(&frame, &info) == 0) {
    ++counts[frame->kind];
    EXPECT_GE(frame->timestamp, previous);
    previous = frame->timestamp;
    if (frame->kind != FRAME_AUDIO) {
      // Annex-B access units.
      ASSERT_GE(frame->length, 4u);
      EXPECT_EQ(std::memcmp(frame->data, "\0\0\0\1", 4), 0);
    }
    if (info) {
      ++counts[FRAME_INFO];
      InfoRecord record;
      std::memcpy(&record, info->data, sizeof record);
      EXPECT_EQ(record.fix_status, 'A');
      EXPECT_EQ(record.year, 26);
      // Gravity on the vertical axis, within the vibration.
      EXPECT_NEAR(record.accel_z / 4096.0, 1.0, 0.1);
      if (frame->kind == FRAME_VIDEO_KEY) ++info_on_keys;
      reader.ReleaseFrame(info);
    }
    reader.ReleaseFrame(frame);
    info = nullptr;
  }
  EXPECT_EQ(counts[FRAME_VIDEO_KEY], 7u);
  EXPECT_EQ(counts[FRAME_VIDEO_PREDICTED], 73u);
  EXPECT_EQ(counts[FRAME_AUDIO], 8u * 8000 / 321);
  EXPECT_EQ(info_on_keys, 7u);
  // Two a second (16), and on the key frames at 1.2, 2.4, 3.6, 4.8 and 7.2 s.
  EXPECT_EQ(counts[FRAME_INFO], 21u);

  // From the end, the back links lead through every key chunk to the first.
  std::vector<uint64_t> walked;
  while (reader.PrevKeyFrame(&frame) == 0) {
    walked.push_back(frame->timestamp);
    reader.ReleaseFrame(frame);
  }
  ASSERT_EQ(walked.size(), 7u);
  for (size_t i = 1; i < walked.size(); ++i) EXPECT_EQ(walked[i - 1] - walked[i], 1200000u);
  EXPECT_EQ(walked.back(), uint64_t{reader.file_param().start});
}

TEST(GeneratedDeviceTest, FileWithoutTelemetryHasNoInfoFrame) {
  const std::string path =
      Generate("plain.dav", "--size 96x64 --fps 5 --keyint 5 --duration 3 --no-info --audio none");
  CFileAuds reader;
  ASSERT_EQ(reader.Open(path.c_str()), 0);
  RecFrame* info = nullptr;
  EXPECT_EQ(reader.ReadInfoFrame(0, &info), 1);
  RecFrame* frame = nullptr;
  ASSERT_EQ(reader.PrevKeyFrame(&frame), 0);  // the first key chunk: no link to follow
  reader.ReleaseFrame(frame);
  EXPECT_EQ(reader.PrevKeyFrame(&frame), 1);
}

}  // namespace
}  // namespace brisca
