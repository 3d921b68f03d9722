#include "brisca/recordings/frame_pool.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace brisca {
namespace {

TEST(FramePoolTest, HandsOutFiveFramesThenFails) {
  FramePool pool;
  std::vector<RecFrame*> taken;
  for (int i = 0; i < 5; ++i) {
    RecFrame* frame = pool.Take(100);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->capacity, kPoolFrameSize);
    taken.push_back(frame);
  }
  EXPECT_EQ(pool.Take(1), nullptr);
  pool.Release(taken[2]);
  EXPECT_EQ(pool.Take(1), taken[2]);
}

TEST(FramePoolTest, GrowsTooSmallFrameWithSlackAndNeverShrinks) {
  FramePool pool;
  EXPECT_EQ(pool.Take(20480)->capacity, 20480u);
  RecFrame* grown = pool.Take(20481);
  ASSERT_NE(grown, nullptr);
  EXPECT_EQ(grown->capacity, 20993u);
  EXPECT_EQ(grown->data[20992], 0);  // zero-filled
  pool.Release(grown);               // now last in the free list
  for (int i = 0; i < 3; ++i) EXPECT_EQ(pool.Take(1)->capacity, 20480u);
  RecFrame* again = pool.Take(10);
  EXPECT_EQ(again, grown);
  EXPECT_EQ(again->capacity, 20993u);
}

TEST(FramePoolTest, ForeignAndDoubleReleasesAreIgnored) {
  FramePool pool;
  FramePool other;
  RecFrame* frame = pool.Take(1);
  pool.Release(frame);
  pool.Release(frame);
  pool.Release(other.Take(1));
  pool.Release(nullptr);
  EXPECT_EQ(pool.FreeCount(), 5u);
}

TEST(FramePoolTest, ConsumerReleasesWhileProducerTakes) {
  FramePool pool;
  std::vector<RecFrame*> handed;
  std::mutex handed_mutex;
  std::atomic<int> delivered{0};
  std::thread consumer([&] {
    while (delivered.load() < 1000) {
      std::lock_guard lock(handed_mutex);
      if (!handed.empty()) {
        pool.Release(handed.back());
        handed.pop_back();
        delivered++;
      }
    }
  });
  int produced = 0;
  while (produced < 1000) {
    if (RecFrame* frame = pool.Take(64)) {
      std::lock_guard lock(handed_mutex);
      handed.push_back(frame);
      produced++;
    }
  }
  consumer.join();
  EXPECT_EQ(pool.FreeCount(), 5u);
}

}  // namespace
}  // namespace brisca
