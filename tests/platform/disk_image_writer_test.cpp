#include "platform/talvo_file_system/disk_image_writer.h"

#include <gtest/gtest.h>

#include "tests/platform/disk_test_support.h"

namespace tvfs::testing {
namespace {

SegmentDescription Simple(uint8_t channel, DiskDate date, uint32_t start, const Bytes& data) {
  SegmentDescription segment;
  segment.channel = channel;
  segment.date = date;
  segment.start = TimeOfDay::FromSeconds(start);
  segment.end = TimeOfDay::FromSeconds(start + 5);
  segment.time_index = {{0, start}};
  segment.data_size = data.size();
  segment.read_data = [&data](uint64_t offset, uint8_t* out, size_t length) {
    std::copy_n(data.begin() + static_cast<long>(offset), length, out);
    return true;
  };
  return segment;
}

TEST(DiskImageWriterTest, RefusesOutOfRangeSegments) {
  DiskImageWriter writer(1);
  const Bytes data(10, 1);
  std::string error;
  SegmentDescription segment = Simple(32, {26, 1, 1}, 100, data);
  EXPECT_FALSE(writer.AddSegment(segment, error));
  segment = Simple(0, {26, 2, 30}, 100, data);
  EXPECT_FALSE(writer.AddSegment(segment, error));
  segment = Simple(0, {26, 1, 1}, 100, data);
  segment.time_index = {{0, 100}, {5, 100}};
  EXPECT_FALSE(writer.AddSegment(segment, error));
  segment.time_index = {{10, 100}};
  EXPECT_FALSE(writer.AddSegment(segment, error));
  segment.time_index = {{4, 100}, {2, 101}};
  EXPECT_FALSE(writer.AddSegment(segment, error));
  segment = Simple(0, {26, 1, 1}, 100, data);
  segment.record_type = 0xFF;  // any byte of cause bits
  EXPECT_TRUE(writer.AddSegment(segment, error)) << error;
}

TEST(DiskImageWriterTest, OrdersSegmentsAndNumbersThem) {
  TempFolder folder;
  DiskImageWriter writer(12);
  const Bytes a(100, 0xA1);
  const Bytes b(200, 0xB2);
  const Bytes c(300, 0xC3);
  std::string error;
  ASSERT_TRUE(writer.AddSegment(Simple(1, {26, 4, 2}, 500, a), error));
  ASSERT_TRUE(writer.AddSegment(Simple(3, {26, 4, 1}, 900, b), error));
  ASSERT_TRUE(writer.AddSegment(Simple(0, {26, 4, 1}, 900, c), error));
  WriteReport report;
  const std::string path = folder.File("ordered.img");
  ASSERT_TRUE(writer.Write(path, report, error)) << error;
  ASSERT_EQ(report.segments.size(), 3u);
  EXPECT_EQ(report.segments[0].channel, 0);
  EXPECT_EQ(report.segments[1].channel, 3);
  EXPECT_EQ(report.segments[2].date.day, 2);
  EXPECT_EQ(report.segments[0].id, (SegmentId{12, {20260401, 1}}));
  EXPECT_EQ(report.segments[2].id, (SegmentId{12, {20260402, 3}}));
  const Bytes image = ReadFile(path);
  ASSERT_EQ(image.size(), report.image_size);
  EXPECT_EQ(image[report.segments[0].data_offset], 0xC3);
  EXPECT_EQ(image[report.segments[1].data_offset + 199], 0xB2);
  EXPECT_EQ(image.back(), 0xA1);
}

TEST(DiskImageWriterTest, FailedDataReadLeavesNoImage) {
  TempFolder folder;
  DiskImageWriter writer(1);
  const Bytes data(10, 1);
  SegmentDescription segment = Simple(0, {26, 1, 1}, 100, data);
  segment.read_data = [](uint64_t, uint8_t*, size_t) { return false; };
  std::string error;
  ASSERT_TRUE(writer.AddSegment(segment, error));
  WriteReport report;
  const std::string path = folder.File("failed.img");
  EXPECT_FALSE(writer.Write(path, report, error));
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(DiskImageWriterTest, EmptyDiskMountsWithoutDates) {
  TempFolder folder;
  DiskImageWriter writer(1);
  WriteReport report;
  std::string error;
  const std::string path = folder.File("empty.img");
  ASSERT_TRUE(writer.Write(path, report, error)) << error;
  EXPECT_EQ(MountBytes(folder, ReadFile(path)), 0);
}

}  // namespace
}  // namespace tvfs::testing
