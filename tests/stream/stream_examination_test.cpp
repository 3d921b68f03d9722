#include "brisca/stream/stream_examination.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "tests/stream/stream_bytes.h"

namespace brisca {
namespace {

using namespace brisca::testing;

Bytes AudioFormatItem(uint32_t codec) {
  Bytes word;
  PutLe32(word, codec | (16u << 6) | (8000u << 12));
  return Item(5, word);
}

TEST(StreamExaminationTest, FirstKeyFrameAfterNoiseAndAudio) {
  const Bytes bytes = Concat({Bytes(40, 'x'), Frame('4', Concat({TimestampItem(5), AudioFormatItem(2)}), Payload(40, 1)),
                              Frame('3', TimestampItem(6), Payload(40, 2)),
                              Frame('2', Concat({TimestampItem(7), ClockItem(2026, 3, 8, 1, 2, 3)}), Payload(40, 3)),
                              Frame('4', Concat({TimestampItem(8), AudioFormatItem(1)}), Payload(40, 4)),
                              Frame('4', Concat({TimestampItem(9), AudioFormatItem(3)}), Payload(40, 5))});
  const StreamHead head = ExamineHead(bytes.data(), bytes.size());
  ASSERT_TRUE(head.first_key);
  EXPECT_EQ(head.first_key->timestamp, 7u);
  EXPECT_TRUE(head.first_key->has_clock);
  ASSERT_TRUE(head.audio);
  EXPECT_EQ(head.audio->codec, 1);  // stopped at the first format after the key frame
}

TEST(StreamExaminationTest, NoKeyFrameAndIncompleteFrameEndTheScan) {
  const Bytes full = Frame('2', TimestampItem(1), Payload(100, 1));
  const Bytes bytes = Concat({Frame('3', TimestampItem(0), Payload(40, 1)), full});
  EXPECT_FALSE(ExamineHead(bytes.data(), bytes.size() - 1).first_key);
  EXPECT_TRUE(ExamineHead(bytes.data(), bytes.size()).first_key);
}

TEST(StreamExaminationTest, LastVideoTimestampSkipsZeroAndAudio) {
  const Bytes bytes = Concat({Frame('2', TimestampItem(10), Payload(30, 1)),
                              Frame('3', TimestampItem(50), Payload(30, 2)),
                              Frame('3', {}, Payload(30, 3)),
                              Frame('4', TimestampItem(90), Payload(30, 4)),
                              Bytes(20, 'z')});
  EXPECT_EQ(LastVideoTimestamp(bytes.data(), bytes.size()), 50u);
  EXPECT_FALSE(LastVideoTimestamp(bytes.data(), 20));
}

TEST(StreamExaminationTest, TimestampsThatContradictTheirNeighboursAreReplaced) {
  struct Case {
    const char* name;
    std::vector<uint64_t> video;  // timestamps of a key frame and the frames after it
    std::optional<uint64_t> first, last;
  };
  const uint64_t far = uint64_t{1} << 40;
  const Case cases[] = {
      {"clean", {1000, 1040, 1080, 1120}, 1000, 1120},
      {"first far ahead", {1000 + far, 1040, 1080, 1120}, 1040, 1120},
      {"first far behind", {1, 86400040, 86400080}, 86400040, 86400080},
      {"first and second damaged", {far, 3 * far, 1080, 1120}, 1080, 1120},
      {"last far ahead", {1000, 1040, 1080, 1120 + far}, 1000, 1080},
      {"one in the middle", {1000, 1040 + far, 1080, 1120}, 1000, 1120},
      {"a pause of 9 s is no damage", {1000, 10000, 10040}, 1000, 10040},
      {"no two agree: taken as they are", {1000, 1000 + far}, 1000, 1000 + far},
      {"single frame", {1000}, 1000, 1000},
  };
  for (const Case& c : cases) {
    Bytes bytes = Frame('3', TimestampItem(7), Payload(40, 9));  // before the key frame
    for (size_t i = 0; i < c.video.size(); ++i) {
      const Bytes frame = Frame(i ? '3' : '2', TimestampItem(c.video[i]), Payload(60, uint8_t(i)));
      bytes.insert(bytes.end(), frame.begin(), frame.end());
    }
    const Bytes tail = Frame('4', TimestampItem(5), Payload(30, 1));
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    EXPECT_EQ(FirstKeyTimestamp(bytes.data(), bytes.size()), c.first) << c.name;
    const size_t skip = Frame('3', TimestampItem(7), Payload(40, 9)).size();
    EXPECT_EQ(LastVideoTimestamp(bytes.data() + skip, bytes.size() - skip), c.last) << c.name;
  }
  EXPECT_FALSE(FirstKeyTimestamp(nullptr, 0));
}

TEST(StreamExaminationTest, FirstClockThatTheNextTwoContradictIsCountedBackFromThem) {
  struct Clock {
    int day, hour, minute, second;
  };
  struct Case {
    const char* name;
    std::vector<Clock> clocks;  // of key frames 2 s apart, from timestamp 50,000
    Clock expected;
  };
  const Case cases[] = {
      {"clean", {{8, 14, 5, 9}, {8, 14, 5, 11}, {8, 14, 5, 13}}, {8, 14, 5, 9}},
      {"hour damaged", {{8, 6, 5, 9}, {8, 14, 5, 11}, {8, 14, 5, 13}}, {8, 14, 5, 9}},
      {"day damaged", {{9, 14, 5, 9}, {8, 14, 5, 11}, {8, 14, 5, 13}}, {8, 14, 5, 9}},
      {"second one damaged", {{8, 14, 5, 9}, {8, 22, 5, 11}, {8, 14, 5, 13}}, {8, 14, 5, 9}},
      {"next two disagree", {{8, 6, 5, 9}, {8, 14, 5, 11}, {8, 17, 5, 13}}, {8, 6, 5, 9}},
      {"only two", {{8, 6, 5, 9}, {8, 14, 5, 11}}, {8, 6, 5, 9}},
      {"counted back past midnight", {{8, 5, 0, 0}, {8, 0, 0, 1}, {8, 0, 0, 3}}, {8, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    Bytes bytes;
    for (size_t i = 0; i < c.clocks.size(); ++i) {
      const Clock& k = c.clocks[i];
      const Bytes key = Frame('2', Concat({TimestampItem(50000 + 2000 * i),
                                           ClockItem(2026, 3, k.day, k.hour, k.minute, k.second)}),
                              Payload(80, uint8_t(i)));
      const Bytes predicted = Frame('3', TimestampItem(50000 + 2000 * i + 40), Payload(30, 1));
      bytes.insert(bytes.end(), key.begin(), key.end());
      bytes.insert(bytes.end(), predicted.begin(), predicted.end());
    }
    const std::optional<WallClock> clock = FirstKeyClock(bytes.data(), bytes.size(), 50000);
    ASSERT_TRUE(clock) << c.name;
    EXPECT_EQ(clock->day, c.expected.day) << c.name;
    EXPECT_EQ(clock->SecondsOfDay(),
              uint32_t((c.expected.hour * 60 + c.expected.minute) * 60 + c.expected.second))
        << c.name;
  }
  const Bytes no_clock = Frame('2', TimestampItem(1), Payload(80, 1));
  EXPECT_FALSE(FirstKeyClock(no_clock.data(), no_clock.size(), 1));
}

}  // namespace
}  // namespace brisca
