#include "brisca/engine/frame_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <numeric>
#include <thread>
#include <vector>

namespace brisca {
namespace {

std::vector<uint8_t> Bytes(size_t size, uint8_t seed) {
  std::vector<uint8_t> out(size);
  std::iota(out.begin(), out.end(), seed);
  return out;
}

TEST(FrameQueueTest, HoldsOneFrameLessThanItsDescriptors) {
  CFrameQueue queue;
  ASSERT_TRUE(queue.Configure(kVideoQueueDescriptors, kVideoQueueBytes));
  const uint8_t byte = 7;
  for (int i = 0; i < 299; ++i) ASSERT_EQ(queue.Push(1, 1, i, &byte), 1) << i;
  EXPECT_EQ(queue.Push(1, 1, 299, &byte), 0);
  EXPECT_EQ(queue.Count(), 299u);
  EXPECT_EQ(queue.LastPushedTimestamp(), 298u);
}

TEST(FrameQueueTest, FrameMayFillTheFreeBytesExactly) {
  CFrameQueue queue;
  ASSERT_TRUE(queue.Configure(10, 100));
  const auto bytes = Bytes(100, 0);
  EXPECT_EQ(queue.Push(2, 60, 1, bytes.data()), 1);
  EXPECT_EQ(queue.Push(2, 41, 2, bytes.data()), 0);
  EXPECT_EQ(queue.Push(2, 40, 3, bytes.data()), 1);
  EXPECT_EQ(queue.Push(2, 1, 4, bytes.data()), 0);
  EXPECT_EQ(queue.Push(2, 0x80000000u, 5, bytes.data()), 0);  // not taken as negative
}

TEST(FrameQueueTest, FrameWrapsAroundTheRingEndAndComesBackIdentical) {
  CFrameQueue queue;
  ASSERT_TRUE(queue.Configure(10, 100));
  const auto filler = Bytes(90, 1);
  ASSERT_EQ(queue.Push(1, 90, 1, filler.data()), 1);
  QueuedFrame frame;
  std::vector<uint8_t> out(100);
  ASSERT_EQ(queue.Pop(&frame, out.data(), out.size()), 1);
  // The write position is now 10 bytes before the end.
  const auto wrapped = Bytes(50, 100);
  ASSERT_EQ(queue.Push(0, 50, 2, wrapped.data()), 1);
  ASSERT_EQ(queue.Pop(&frame, out.data(), out.size()), 1);
  EXPECT_EQ(frame.type, 0u);
  EXPECT_EQ(frame.length, 50u);
  EXPECT_EQ(frame.timestamp, 2u);
  EXPECT_TRUE(std::equal(wrapped.begin(), wrapped.end(), out.begin()));
  EXPECT_EQ(queue.Pop(&frame, out.data(), out.size()), 0);
}

TEST(FrameQueueTest, PeekFindsTheFirstVideoFrameAndRemovesNothing) {
  CFrameQueue queue;
  ASSERT_TRUE(queue.Configure(10, 100));
  const uint8_t byte = 0;
  uint64_t timestamp = 0;
  EXPECT_EQ(queue.PeekVideoTimestamp(&timestamp), 0);
  queue.Push(3, 1, 10, &byte);
  queue.Push(2, 1, 15, &byte);
  EXPECT_EQ(queue.PeekVideoTimestamp(&timestamp), 0);
  queue.Push(1, 1, 20, &byte);
  EXPECT_EQ(queue.PeekVideoTimestamp(&timestamp), 1);
  EXPECT_EQ(timestamp, 20u);
  EXPECT_EQ(queue.Count(), 3u);
}

TEST(FrameQueueTest, DropUntilRemovesTheFirstLaterFrameToo) {
  CFrameQueue queue;
  ASSERT_TRUE(queue.Configure(kAudioQueueDescriptors, kAudioQueueBytes));
  const auto bytes = Bytes(2000, 0);  // longer than the drop scratch buffer
  const uint64_t t = 1000;
  for (uint64_t stamp : {t - 40, t, t + 40, t + 80}) queue.Push(2, 2000, stamp, bytes.data());
  queue.DropUntil(t);
  ASSERT_EQ(queue.Count(), 1u);
  QueuedFrame frame;
  std::vector<uint8_t> out(2000);
  ASSERT_EQ(queue.Pop(&frame, out.data(), out.size()), 1);
  EXPECT_EQ(frame.timestamp, t + 80);
  EXPECT_EQ(out, bytes);
}

TEST(FrameQueueTest, ShortDestinationGetsOnlyWhatFits) {
  CFrameQueue queue;
  ASSERT_TRUE(queue.Configure(4, 64));
  const auto bytes = Bytes(30, 5);
  queue.Push(1, 30, 9, bytes.data());
  queue.Push(1, 3, 10, bytes.data());
  std::vector<uint8_t> out(8, 0xEE);
  QueuedFrame frame;
  ASSERT_EQ(queue.Pop(&frame, out.data(), 4), 1);
  EXPECT_EQ(frame.length, 30u);
  EXPECT_EQ(out[3], 8);
  EXPECT_EQ(out[4], 0xEE);
  ASSERT_EQ(queue.Pop(&frame, out.data(), out.size()), 1);  // the next frame is intact
  EXPECT_EQ(frame.timestamp, 10u);
  EXPECT_EQ(out[0], 5);
}

TEST(FrameQueueTest, ClearKeepsStorageReleaseDropsIt) {
  CFrameQueue queue;
  const uint8_t byte = 1;
  EXPECT_EQ(queue.Push(1, 1, 1, &byte), 0);  // not configured
  EXPECT_FALSE(queue.Configure(1, 100));
  EXPECT_FALSE(queue.Configure(10, 0));
  ASSERT_TRUE(queue.Configure(3, 10));
  queue.Push(1, 1, 5, &byte);
  queue.Clear();
  EXPECT_EQ(queue.Count(), 0u);
  EXPECT_EQ(queue.LastPushedTimestamp(), 0u);
  EXPECT_EQ(queue.Push(1, 10, 6, std::vector<uint8_t>(10).data()), 1);
  queue.Release();
  EXPECT_EQ(queue.Count(), 0u);
  EXPECT_EQ(queue.Push(1, 1, 7, &byte), 0);
}

TEST(FrameQueueTest, ProducerAndConsumerOnTwoThreadsKeepOrderAndBytes) {
  CFrameQueue queue;
  ASSERT_TRUE(queue.Configure(16, 1000));
  constexpr int kFrames = 5000;
  std::thread producer([&] {
    for (int i = 0; i < kFrames;) {
      const auto bytes = Bytes(1 + i % 97, static_cast<uint8_t>(i));
      if (queue.Push(1, static_cast<uint32_t>(bytes.size()), i, bytes.data())) {
        ++i;
      } else {
        std::this_thread::yield();
      }
    }
  });
  int next = 0;
  std::vector<uint8_t> out(100);
  while (next < kFrames) {
    QueuedFrame frame;
    if (!queue.Pop(&frame, out.data(), out.size())) {
      std::this_thread::yield();
      continue;
    }
    ASSERT_EQ(frame.timestamp, static_cast<uint64_t>(next));
    const auto expected = Bytes(1 + next % 97, static_cast<uint8_t>(next));
    ASSERT_TRUE(std::equal(expected.begin(), expected.end(), out.begin()));
    ++next;
  }
  producer.join();
}

}  // namespace
}  // namespace brisca
