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

}  // namespace
}  // namespace brisca
