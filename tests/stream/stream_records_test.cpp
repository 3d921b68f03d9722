#include "brisca/stream/stream_records.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/stream/stream_bytes.h"

namespace brisca {
namespace {

using namespace brisca::testing;

// The frame's payload points into `bytes`, which must outlive it.
StreamFrame Recognised(const Bytes& bytes) {
  StreamFrame frame;
  EXPECT_EQ(RecognizeFrame(bytes.data(), bytes.size(), frame).match, FrameMatch::kFrame);
  return frame;
}

InfoRecord InfoOf(const RecFrame& frame) {
  InfoRecord info;
  std::memcpy(&info, frame.data, sizeof info);
  return info;
}

TEST(StreamRecordsTest, VideoFrameWithGpsAndClockGivesTelemetry) {
  GpsFields gps;
  gps.knots_milli = 27000;  // 50.004 km/h
  const Bytes items =
      Concat({TimestampItem(5000), ClockItem(2026, 3, 8, 14, 5, 9), GpsItem(gps)});
  const Bytes payload = Payload(300, 9);
  const Bytes bytes = Frame('5', items, payload);
  const StreamFrame parsed = Recognised(bytes);

  FramePool pool;
  RecFrame* media = nullptr;
  RecFrame* info = nullptr;
  ASSERT_TRUE(MakeRecords(parsed, pool, &media, &info));
  EXPECT_EQ(media->kind, FRAME_VIDEO_KEY);
  EXPECT_EQ(media->timestamp, 5000u);
  ASSERT_EQ(media->length, payload.size());
  EXPECT_EQ(0, std::memcmp(media->data, payload.data(), payload.size()));

  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->kind, FRAME_INFO);
  EXPECT_EQ(info->length, 48u);
  EXPECT_EQ(info->timestamp, 5000u);
  const InfoRecord record = InfoOf(*info);
  const uint8_t date[8] = {26, 3, 8, 14, 5, 9, 0, 0};
  EXPECT_EQ(0, std::memcmp(&record, date, 8));
  EXPECT_EQ(record.fix_status, 'A');
  EXPECT_EQ(record.speed_kmh, 50);
  EXPECT_EQ(record.lat_degrees, 22);
  EXPECT_EQ(record.lat_fraction, 586000u);
  EXPECT_EQ(record.fraction_digits, 6);
  EXPECT_EQ(record.heading, 9000);
  EXPECT_NEAR(record.LatitudeDegrees(), 22 + 32.586 / 60, 1e-9);
  EXPECT_NEAR(record.LongitudeDegrees(), 114 + 3.474 / 60, 1e-9);
  EXPECT_EQ(record.accel_x, 0);
  EXPECT_EQ(record.prev_key_chunk, 0u);
}

TEST(StreamRecordsTest, GpsWithoutClockLeavesDateAndTimeZero) {
  GpsFields gps;
  gps.ns = 'S';
  gps.ew = 'W';
  const StreamFrame parsed = Recognised(Frame('3', GpsItem(gps), {1, 2}));
  const InfoRecord record = MakeInfoRecord(parsed);
  const uint8_t zeros[8] = {};
  EXPECT_EQ(0, std::memcmp(&record, zeros, 8));
  EXPECT_FALSE(record.HasClock());
  EXPECT_LT(record.LatitudeDegrees(), 0);
  EXPECT_LT(record.LongitudeDegrees(), 0);
}

TEST(StreamRecordsTest, InvalidClockIsNotCopied) {
  const StreamFrame parsed =
      Recognised(Frame('3', Concat({ClockItem(2026, 3, 8, 24, 0, 0), GpsItem({})}), {1}));
  EXPECT_EQ(MakeInfoRecord(parsed).hour, 0);
}

TEST(StreamRecordsTest, KindsAndNoTelemetryForAudio) {
  FramePool pool;
  const struct {
    char type;
    FrameKind kind;
  } cases[] = {{'2', FRAME_VIDEO_KEY}, {'3', FRAME_VIDEO_PREDICTED}, {'4', FRAME_AUDIO},
               {'5', FRAME_VIDEO_KEY}, {'6', FRAME_VIDEO_PREDICTED}};
  for (const auto& c : cases) {
    const Bytes bytes = Frame(c.type, GpsItem({}), {1, 2, 3});
    const StreamFrame parsed = Recognised(bytes);
    RecFrame* media = nullptr;
    RecFrame* info = nullptr;
    ASSERT_TRUE(MakeRecords(parsed, pool, &media, &info));
    EXPECT_EQ(media->kind, c.kind);
    EXPECT_EQ(info != nullptr, c.type != '4') << c.type;
    pool.Release(media);
    pool.Release(info);
  }
}

TEST(StreamRecordsTest, ExhaustedPoolTakesNothing) {
  FramePool pool(1);
  const Bytes bytes = Frame('2', GpsItem({}), {1});
  const StreamFrame parsed = Recognised(bytes);
  RecFrame* media = nullptr;
  RecFrame* info = nullptr;
  EXPECT_FALSE(MakeRecords(parsed, pool, &media, &info));
  EXPECT_EQ(media, nullptr);
  EXPECT_EQ(pool.FreeCount(), 1u);
}

}  // namespace
}  // namespace brisca
