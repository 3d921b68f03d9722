#include "brisca/stream/stream_frame.h"

#include <gtest/gtest.h>

#include "tests/stream/stream_bytes.h"

namespace brisca {
namespace {

using namespace brisca::testing;

Recognition Recognize(const Bytes& bytes, StreamFrame& frame) {
  return RecognizeFrame(bytes.data(), bytes.size(), frame);
}

FrameMatch MatchOf(const Bytes& bytes) {
  StreamFrame frame;
  return Recognize(bytes, frame).match;
}

TEST(StreamFrameTest, RecognisesHeaderPayloadAndTimestamp) {
  const Bytes payload = Payload(100, 3);
  const Bytes bytes = Frame('3', TimestampItem(0x123456789AULL), payload, 7);
  StreamFrame frame;
  const Recognition result = Recognize(bytes, frame);
  ASSERT_EQ(result.match, FrameMatch::kFrame);
  EXPECT_EQ(frame.total_size, bytes.size());
  EXPECT_EQ(frame.payload_length, 100u);
  EXPECT_EQ(frame.payload, bytes.data() + 24);
  EXPECT_EQ(frame.stream_byte, 7);
  EXPECT_EQ(frame.type, '3');
  EXPECT_TRUE(frame.has_timestamp);
  EXPECT_EQ(frame.timestamp, 0x123456789AULL);
  EXPECT_FALSE(frame.IsKey());
}

TEST(StreamFrameTest, TwelveBytesNeverMakeAFrame) {
  const Bytes empty_frame = Frame('2', {}, {});
  ASSERT_EQ(empty_frame.size(), 12u);
  StreamFrame frame;
  const Recognition result = Recognize(empty_frame, frame);
  EXPECT_EQ(result.match, FrameMatch::kNeedMoreData);
  EXPECT_EQ(result.needed, 0u);
  // With one more byte available the empty frame is recognised.
  Bytes longer = empty_frame;
  longer.push_back(0);
  EXPECT_EQ(MatchOf(longer), FrameMatch::kFrame);
}

TEST(StreamFrameTest, RejectsWrongTypeAndMarker) {
  Bytes bytes = Frame('2', {}, Payload(10, 1));
  for (uint8_t type : {'0', '1', '7', 'a'}) {
    bytes[1] = type;
    EXPECT_EQ(MatchOf(bytes), FrameMatch::kNotAFrame) << type;
  }
  for (uint8_t type : {'2', '3', '4', '5', '6'}) {
    bytes[1] = type;
    EXPECT_EQ(MatchOf(bytes), FrameMatch::kFrame) << type;
  }
  bytes[2] = 'D';
  EXPECT_EQ(MatchOf(bytes), FrameMatch::kNotAFrame);
}

TEST(StreamFrameTest, SizeLimitsOfAudioAndVideoFrames) {
  EXPECT_EQ(MatchOf(FrameOfSize('4', 1000)), FrameMatch::kFrame);
  EXPECT_EQ(MatchOf(FrameOfSize('4', 1001)), FrameMatch::kNotAFrame);
  EXPECT_EQ(MatchOf(FrameOfSize('2', 6000000)), FrameMatch::kFrame);
  EXPECT_EQ(MatchOf(FrameOfSize('3', 6000001)), FrameMatch::kNotAFrame);
  EXPECT_EQ(MatchOf(FrameOfSize('6', 6000001)), FrameMatch::kNotAFrame);
}

TEST(StreamFrameTest, ReservedBytesOfLengthWordsAreIgnored) {
  Bytes bytes = Frame('2', TimestampItem(5), Payload(20, 1));
  bytes[7] = 0xFF;
  bytes[11] = 0xFF;
  StreamFrame frame;
  ASSERT_EQ(Recognize(bytes, frame).match, FrameMatch::kFrame);
  EXPECT_EQ(frame.payload_length, 20u);
  EXPECT_EQ(frame.timestamp, 5u);
}

TEST(StreamFrameTest, IncompleteFrameAsksForItsWholeSize) {
  const Bytes bytes = Frame('2', {}, Payload(500, 1));
  StreamFrame frame;
  const Recognition result = RecognizeFrame(bytes.data(), 300, frame);
  EXPECT_EQ(result.match, FrameMatch::kNeedMoreData);
  EXPECT_EQ(result.needed, 512u);
}

TEST(StreamFrameTest, DecodesVideoAndAudioFormats) {
  Bytes audio_word;
  PutLe32(audio_word, 1 | (0 << 4) | (1u << 5) | (16u << 6) | (8000u << 12));
  const Bytes items = Concat({VideoFormatItem(1920, 1080, 30), Item(5, audio_word)});
  StreamFrame frame;
  ASSERT_EQ(Recognize(Frame('2', items, Payload(4, 0)), frame).match, FrameMatch::kFrame);
  EXPECT_EQ(frame.video_format.width, 1920);
  EXPECT_EQ(frame.video_format.height, 1080);
  EXPECT_EQ(frame.video_format.frame_rate, 30);
  EXPECT_EQ(frame.audio_format.codec, 1);
  EXPECT_EQ(frame.audio_format.channels, 1);
  EXPECT_EQ(frame.audio_format.bits_per_sample, 16);
  EXPECT_EQ(frame.audio_format.sample_rate, 8000u);
}

TEST(StreamFrameTest, ClockCountsUpToLastSecondOfTheDay) {
  StreamFrame frame;
  ASSERT_EQ(Recognize(Frame('2', ClockItem(2026, 3, 8, 23, 59, 59), {1}), frame).match,
            FrameMatch::kFrame);
  EXPECT_TRUE(frame.has_clock);
  EXPECT_EQ(frame.clock.SecondsOfDay(), 86399u);
  EXPECT_EQ(frame.clock.year, 2026);

  ASSERT_EQ(Recognize(Frame('2', ClockItem(2026, 3, 8, 24, 0, 0), {1}), frame).match,
            FrameMatch::kFrame);
  EXPECT_FALSE(frame.has_clock);
}

TEST(StreamFrameTest, SpeedIsTruncatedToWholeKilometresPerHour) {
  const std::pair<uint32_t, uint16_t> cases[] = {
      {539, 0}, {540, 1}, {1000, 1}, {0, 0}, {53995, 99}, {53996, 100}, {0xFFFFFF, 31071}};
  for (const auto& [field, kmh] : cases) {
    GpsFields gps;
    gps.knots_milli = field;
    StreamFrame frame;
    ASSERT_EQ(Recognize(Frame('3', GpsItem(gps), {1}), frame).match, FrameMatch::kFrame);
    EXPECT_EQ(frame.gps.speed_kmh, kmh) << field;
  }
}

TEST(StreamFrameTest, GpsFractionsAndHemispheres) {
  GpsFields gps;
  gps.lat_frac = 1234567;
  gps.lon_frac = 9999999;
  gps.ns = 'S';
  gps.ew = 'W';
  gps.heading = 35999;
  StreamFrame frame;
  ASSERT_EQ(Recognize(Frame('3', GpsItem(gps), {1}), frame).match, FrameMatch::kFrame);
  EXPECT_TRUE(frame.has_gps);
  EXPECT_EQ(frame.gps.lat_fraction, 123456u);
  EXPECT_EQ(frame.gps.lon_fraction, 999999u);
  EXPECT_EQ(frame.gps.north_south, 'S');
  EXPECT_EQ(frame.gps.east_west, 'W');
  EXPECT_EQ(frame.gps.heading, 35999);
  EXPECT_EQ(frame.gps.status, 'A');
}

TEST(StreamFrameTest, ItemsAfterEndTagAreIgnored) {
  const Bytes items = Concat({TimestampItem(10), Item(0, {0, 0, 0, 0}), TimestampItem(99),
                              ClockItem(2026, 1, 1, 1, 1, 1)});
  StreamFrame frame;
  ASSERT_EQ(Recognize(Frame('2', items, {1}), frame).match, FrameMatch::kFrame);
  EXPECT_EQ(frame.timestamp, 10u);
  EXPECT_FALSE(frame.has_clock);
}

TEST(StreamFrameTest, LaterItemOfSameTagWinsAndUnknownTagsAreSkipped) {
  const Bytes items = Concat({TimestampItem(10), Item(77, Payload(9, 0)), TimestampItem(20)});
  StreamFrame frame;
  ASSERT_EQ(Recognize(Frame('2', items, {1}), frame).match, FrameMatch::kFrame);
  EXPECT_EQ(frame.timestamp, 20u);
}

TEST(StreamFrameTest, WalkEndsAfterSixtyFourItems) {
  Bytes items;
  for (int i = 0; i < 63; ++i) items = Concat({items, Item(77, {})});
  Bytes body;
  PutLe32(body, 1);
  PutLe32(body, 0);
  // The 64th item counts; the 65th and an oversized 66th are not looked at.
  items = Concat({items, TimestampItem(10), TimestampItem(20), Item(3, body, 200000)});
  StreamFrame frame;
  ASSERT_EQ(Recognize(Frame('2', items, {1}), frame).match, FrameMatch::kFrame);
  EXPECT_EQ(frame.timestamp, 10u);
}

TEST(StreamFrameTest, OversizedItemMakesNoFrame) {
  Bytes body;
  PutLe32(body, 1);
  PutLe32(body, 0);
  EXPECT_EQ(MatchOf(Frame('2', Item(3, body, 100000), {1})), FrameMatch::kFrame);
  EXPECT_EQ(MatchOf(Frame('2', Item(3, body, 100001), {1})), FrameMatch::kNotAFrame);
}

TEST(StreamFrameTest, ItemWithBadSizeEndsTheWalk) {
  // Size 2 (below the word itself) is read once, then ends the walk.
  Bytes tiny = TimestampItem(7);
  tiny[1] = 2;
  tiny[2] = tiny[3] = 0;
  StreamFrame frame;
  ASSERT_EQ(Recognize(Frame('2', Concat({tiny, TimestampItem(8)}), {1}), frame).match,
            FrameMatch::kFrame);
  EXPECT_EQ(frame.timestamp, 7u);
  // A size running past the area ends the walk too.
  Bytes runs_past = TimestampItem(9);
  runs_past[1] = 40;
  ASSERT_EQ(Recognize(Frame('2', Concat({runs_past, TimestampItem(8)}), {1}), frame).match,
            FrameMatch::kFrame);
  EXPECT_EQ(frame.timestamp, 9u);
}

TEST(StreamFrameTest, ItemBodyBeyondExtensionAreaIsNotRead) {
  // A GPS item word at the very end of the area: its body would lie in the
  // payload, so it is not decoded.
  const Bytes items = Concat({TimestampItem(1), Item(9, {'A', 0, 0, 0}, 28)});
  StreamFrame frame;
  ASSERT_EQ(Recognize(Frame('3', items, Payload(40, 'S')), frame).match, FrameMatch::kFrame);
  EXPECT_FALSE(frame.has_gps);
  EXPECT_EQ(frame.timestamp, 1u);
}

TEST(StreamFrameScanTest, SkipsNoiseBeforeFirstFrame) {
  const Bytes noise = {0x00, '2', 'd', 'x', 'd', 'c', 0x31, '2', 0x10, 0x64, 0x64};
  const Bytes frame_bytes = Frame('2', TimestampItem(3), Payload(30, 1));
  const Bytes bytes = Concat({noise, frame_bytes});
  StreamFrame frame;
  const ScanResult scan = ScanForFrame(bytes.data(), bytes.size(), frame);
  EXPECT_EQ(scan.match, FrameMatch::kFrame);
  EXPECT_EQ(scan.offset, noise.size());
  EXPECT_EQ(frame.timestamp, 3u);
}

TEST(StreamFrameScanTest, NoFrameStopsWithinLastTwelveBytes) {
  StreamFrame frame;
  const Bytes noise(1000, 'd');
  ScanResult scan = ScanForFrame(noise.data(), noise.size(), frame);
  EXPECT_EQ(scan.match, FrameMatch::kNeedMoreData);
  EXPECT_EQ(scan.offset, 988u);

  scan = ScanForFrame(noise.data(), 5, frame);
  EXPECT_EQ(scan.match, FrameMatch::kNeedMoreData);
  EXPECT_EQ(scan.offset, 0u);

  scan = ScanForFrame(noise.data(), 0, frame);
  EXPECT_EQ(scan.match, FrameMatch::kNotAFrame);
}

TEST(StreamFrameScanTest, TooLargeCandidateIsSkippedAsNoise) {
  // An audio header claiming 2000 bytes is noise; the frame behind it is found.
  Bytes fake = {0, '4', 'd', 'c'};
  PutLe32(fake, 1988);
  PutLe32(fake, 0);
  const Bytes real = Frame('4', TimestampItem(4), Payload(8, 0));
  const Bytes bytes = Concat({fake, real});
  StreamFrame frame;
  const ScanResult scan = ScanForFrame(bytes.data(), bytes.size(), frame);
  EXPECT_EQ(scan.match, FrameMatch::kFrame);
  EXPECT_EQ(scan.offset, fake.size());
}

TEST(StreamFrameScanTest, IncompleteFrameStopsTheScanAtItsStart) {
  const Bytes bytes = Concat({Bytes{1, 2, 3}, Frame('2', {}, Payload(100, 0))});
  StreamFrame frame;
  const ScanResult scan = ScanForFrame(bytes.data(), 50, frame);
  EXPECT_EQ(scan.match, FrameMatch::kNeedMoreData);
  EXPECT_EQ(scan.offset, 3u);
  EXPECT_EQ(scan.needed, 112u);
}

}  // namespace
}  // namespace brisca
