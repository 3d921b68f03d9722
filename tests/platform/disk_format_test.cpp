#include "platform/talvo_file_system/disk_format.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/talvo_file_system/crc32c.h"

namespace tvfs {
namespace {

TEST(Crc32cTest, MatchesTheCheckValue) {
  const char* text = "123456789";
  EXPECT_EQ(Crc32c(reinterpret_cast<const uint8_t*>(text), 9), 0xE3069283u);
  EXPECT_EQ(Crc32c(nullptr, 0), 0u);
  // Continuing a CRC over two parts equals one pass.
  const uint32_t first = Crc32c(reinterpret_cast<const uint8_t*>(text), 4);
  EXPECT_EQ(Crc32c(reinterpret_cast<const uint8_t*>(text) + 4, 5, first), 0xE3069283u);
}

TEST(DiskFormatTest, SuperblockRoundTripsAndIsChecked) {
  Superblock block;
  block.disk_number = 77;
  block.image_size = 0x123456789ull;
  block.date_table_offset = 64;
  block.date_count = 3;
  block.date_table_crc = 0xDEADBEEF;
  block.segment_count = 9;
  uint8_t bytes[kSuperblockSize];
  EncodeSuperblock(block, bytes);
  EXPECT_EQ(std::memcmp(bytes, "CRVNDISK", 8), 0);
  Superblock decoded;
  ASSERT_EQ(DecodeSuperblock(bytes, decoded), SuperblockCheck::kOk);
  EXPECT_EQ(decoded.disk_number, 77u);
  EXPECT_EQ(decoded.image_size, 0x123456789ull);
  EXPECT_EQ(decoded.date_count, 3u);
  EXPECT_EQ(decoded.date_table_crc, 0xDEADBEEFu);
  EXPECT_EQ(decoded.segment_count, 9u);
  bytes[50] ^= 1;
  EXPECT_EQ(DecodeSuperblock(bytes, decoded), SuperblockCheck::kCorrupt);
  bytes[1] = 'x';
  EXPECT_EQ(DecodeSuperblock(bytes, decoded), SuperblockCheck::kNotOurs);
}

TEST(DiskFormatTest, EntriesRoundTrip) {
  SegmentEntry segment;
  segment.start = {23, 59, 50};
  segment.end = {0, 0, 10};
  segment.channel = 5;
  segment.record_type = 0xC8;  // cause bits, the top one too
  segment.id = {9, {20260307, 12}};
  segment.index_count = 21;
  segment.data_offset = 1ull << 42;
  segment.data_size = 5000000000ull;
  segment.index_offset = 4096;
  segment.index_crc = 0x01020304;
  uint8_t bytes[kSegmentEntrySize];
  EncodeSegmentEntry(segment, bytes);
  const SegmentEntry decoded = DecodeSegmentEntry(bytes);
  EXPECT_EQ(decoded.start.Seconds(), segment.start.Seconds());
  EXPECT_EQ(decoded.end.Seconds(), 10u);
  EXPECT_EQ(decoded.id, segment.id);
  EXPECT_EQ(decoded.data_offset, segment.data_offset);
  EXPECT_EQ(decoded.data_size, segment.data_size);
  EXPECT_EQ(decoded.index_offset, 4096u);
  EXPECT_EQ(decoded.index_crc, 0x01020304u);
  EXPECT_EQ(decoded.channel, 5);
  EXPECT_EQ(decoded.record_type, 0xC8);

  const DateEntry date{{26, 3, 7}, 4, 1ull << 40, 0xCAFEF00D};
  uint8_t date_bytes[kDateEntrySize];
  EncodeDateEntry(date, date_bytes);
  const DateEntry decoded_date = DecodeDateEntry(date_bytes);
  EXPECT_EQ(decoded_date.date, date.date);
  EXPECT_EQ(decoded_date.table_offset, date.table_offset);
  EXPECT_EQ(decoded_date.table_crc, date.table_crc);

  const IndexEntry index{1ull << 35, 90000};
  uint8_t index_bytes[kIndexEntrySize];
  EncodeIndexEntry(index, index_bytes);
  EXPECT_EQ(DecodeIndexEntry(index_bytes), index);
}

TEST(DiskFormatTest, DatesAndTimes) {
  EXPECT_TRUE(IsValidDate({24, 2, 29}));
  EXPECT_FALSE(IsValidDate({25, 2, 29}));
  EXPECT_FALSE(IsValidDate({26, 0, 1}));
  EXPECT_FALSE(IsValidTime({24, 0, 0}));
  EXPECT_TRUE(IsValidTime({23, 59, 59}));
  EXPECT_EQ(DayNumber({0, 1, 1}), 0);
  EXPECT_EQ(DayNumber({26, 3, 8}) - DayNumber({26, 3, 7}), 1);
  EXPECT_EQ(TimeOfDay::FromSeconds(86399).hour, 23);
}

}  // namespace
}  // namespace tvfs
