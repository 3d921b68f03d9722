#include "brisca/export/convert_range.h"

#include <gtest/gtest.h>

namespace brisca {
namespace {

BR_SYSTEMTIME At(uint16_t year, uint16_t month, uint16_t day, uint16_t hour, uint16_t minute,
                 uint16_t second, uint16_t milliseconds = 0) {
  BR_SYSTEMTIME time{};
  time.year = year;
  time.month = month;
  time.day = day;
  time.hour = hour;
  time.minute = minute;
  time.second = second;
  time.milliseconds = milliseconds;
  return time;
}

uint32_t Packed(int hour, int minute, int second) { return PackClockTime({hour, minute, second}); }

// The recording of 10:12:30 to 10:18:10.
const BR_SYSTEMTIME kStart = At(2026, 5, 1, 10, 12, 30);
const BR_SYSTEMTIME kEnd = At(2026, 5, 1, 10, 18, 10);

TEST(ConvertRangeTest, PacksHourMinuteSecond) {
  EXPECT_EQ(Packed(10, 15, 0), 10u * 65536 + 15 * 256);
  const std::optional<ClockTime> time = UnpackClockTime(0x0A0F1E);
  ASSERT_TRUE(time);
  EXPECT_EQ(time->hour, 10);
  EXPECT_EQ(time->minute, 15);
  EXPECT_EQ(time->second, 30);
  EXPECT_TRUE(UnpackClockTime(Packed(23, 59, 59)));
  EXPECT_TRUE(UnpackClockTime(0));
}

TEST(ConvertRangeTest, UnreadableTimesAreNotTimesOfDay) {
  EXPECT_FALSE(UnpackClockTime(Packed(255, 255, 255)));
  EXPECT_FALSE(UnpackClockTime(Packed(24, 0, 0)));
  EXPECT_FALSE(UnpackClockTime(Packed(10, 60, 0)));
  EXPECT_FALSE(UnpackClockTime(Packed(10, 0, 60)));
  EXPECT_FALSE(UnpackClockTime(0x01000000u | Packed(10, 0, 0)));
  EXPECT_EQ(ComputeConvertRange(kStart, kEnd, Packed(255, 255, 255), Packed(10, 16, 0)).verdict,
            RangeVerdict::kInvalidTime);
  EXPECT_EQ(ComputeConvertRange(kStart, kEnd, Packed(10, 15, 0), Packed(255, 255, 255)).verdict,
            RangeVerdict::kInvalidTime);
}

TEST(ConvertRangeTest, EndAfterRecordingIsClamped) {
  const ConvertRange range =
      ComputeConvertRange(kStart, kEnd, Packed(10, 15, 0), Packed(10, 20, 0));
  ASSERT_EQ(range.verdict, RangeVerdict::kOk);
  EXPECT_EQ(range.start_ms, 150000);
  EXPECT_EQ(range.end_ms, 340000);
}

TEST(ConvertRangeTest, StartBeforeRecordingIsClamped) {
  const ConvertRange range = ComputeConvertRange(kStart, kEnd, Packed(9, 0, 0), Packed(10, 13, 0));
  ASSERT_EQ(range.verdict, RangeVerdict::kOk);
  EXPECT_EQ(range.start_ms, 0);
  EXPECT_EQ(range.end_ms, 30000);
}

TEST(ConvertRangeTest, StartAfterRecordingIsRefused) {
  EXPECT_EQ(ComputeConvertRange(kStart, kEnd, Packed(11, 0, 0), Packed(11, 30, 0)).verdict,
            RangeVerdict::kStartAfterRecording);
  // The last second still counts.
  EXPECT_EQ(ComputeConvertRange(kStart, kEnd, Packed(10, 18, 10), Packed(10, 18, 10)).verdict,
            RangeVerdict::kOk);
}

TEST(ConvertRangeTest, EndBeforeStartIsUnusable) {
  EXPECT_EQ(ComputeConvertRange(kStart, kEnd, Packed(10, 16, 0), Packed(10, 15, 0)).verdict,
            RangeVerdict::kUnusable);
  // Before the recording altogether: the start is clamped past the end.
  EXPECT_EQ(ComputeConvertRange(kStart, kEnd, Packed(9, 0, 0), Packed(9, 30, 0)).verdict,
            RangeVerdict::kUnusable);
}

TEST(ConvertRangeTest, WholeSecondsOnly) {
  const ConvertRange range = ComputeConvertRange(At(2026, 5, 1, 10, 12, 30, 999), kEnd,
                                                 Packed(10, 12, 31), Packed(10, 12, 32));
  ASSERT_EQ(range.verdict, RangeVerdict::kOk);
  EXPECT_EQ(range.start_ms, 1000);
  EXPECT_EQ(range.end_ms, 2000);
}

TEST(ConvertRangeTest, EndTimeIsOnTheRecordingsLastDate) {
  const BR_SYSTEMTIME start = At(2026, 12, 31, 23, 59, 30);
  const BR_SYSTEMTIME end = At(2027, 1, 1, 0, 0, 40);
  const ConvertRange range = ComputeConvertRange(start, end, Packed(23, 59, 50), Packed(0, 0, 20));
  ASSERT_EQ(range.verdict, RangeVerdict::kOk);
  EXPECT_EQ(range.start_ms, 20000);
  EXPECT_EQ(range.end_ms, 50000);
}

TEST(ConvertRangeTest, RecordingWithoutCalendarDates) {
  // A recording whose first key frame has no clock has zeroed times.
  const BR_SYSTEMTIME none{};
  EXPECT_EQ(ComputeConvertRange(none, none, Packed(0, 0, 0), Packed(0, 0, 1)).verdict,
            RangeVerdict::kUnusable);
  EXPECT_EQ(ComputeConvertRange(At(2026, 2, 30, 1, 0, 0), At(2026, 3, 1, 1, 0, 0), Packed(1, 0, 0),
                                Packed(1, 0, 1))
                .verdict,
            RangeVerdict::kUnusable);
}

TEST(ConvertRangeTest, OffsetsBeyond32BitsAreUnusable) {
  const BR_SYSTEMTIME start = At(2026, 1, 1, 0, 0, 0);
  EXPECT_EQ(
      ComputeConvertRange(start, At(2026, 3, 1, 0, 0, 0), Packed(0, 0, 0), Packed(0, 0, 0)).verdict,
      RangeVerdict::kUnusable);
  EXPECT_EQ(ComputeConvertRange(start, At(2026, 1, 20, 0, 0, 0), Packed(0, 0, 0), Packed(0, 0, 0))
                .verdict,
            RangeVerdict::kOk);
}

}  // namespace
}  // namespace brisca
