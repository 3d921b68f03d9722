#include "brisca/stream/stream_examination.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace brisca
