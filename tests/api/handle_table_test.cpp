#include "brisca/api/handle_table.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <set>
#include <thread>
#include <vector>

namespace brisca {
namespace {

TEST(HandleTableTest, IssueFindErase) {
  HandleTable<int> table;
  auto first = std::make_shared<int>(1);
  auto second = std::make_shared<int>(2);
  const uint32_t a = table.Issue(first);
  const uint32_t b = table.Issue(second);
  ASSERT_NE(a, 0u);
  ASSERT_NE(b, 0u);
  EXPECT_NE(a, b);
  EXPECT_EQ(table.Find(a), first);
  EXPECT_EQ(table.Find(b), second);

  EXPECT_EQ(table.Erase(a), first);
  EXPECT_EQ(table.Find(a), nullptr);
  EXPECT_EQ(table.Erase(a), nullptr);
  EXPECT_EQ(table.Find(b), second);
}

TEST(HandleTableTest, ZeroAndForgedHandlesFindNothing) {
  HandleTable<int> table;
  const uint32_t issued = table.Issue(std::make_shared<int>(1));
  ASSERT_NE(issued, 0u);
  EXPECT_EQ(table.Find(0), nullptr);
  EXPECT_EQ(table.Find(issued + 0x12345), nullptr);
  EXPECT_EQ(table.Erase(0), nullptr);
  EXPECT_EQ(table.Erase(issued + 0x12345), nullptr);
  EXPECT_NE(table.Find(issued), nullptr);
}

TEST(HandleTableTest, NullObjectGetsNoHandle) {
  HandleTable<int> table;
  EXPECT_EQ(table.Issue(nullptr), 0u);
}

TEST(HandleTableTest, ErasedHandleIsNotReissuedSoon) {
  HandleTable<int> table;
  const uint32_t erased = table.Issue(std::make_shared<int>(0));
  table.Erase(erased);
  for (int i = 0; i < 1000; ++i) {
    const uint32_t handle = table.Issue(std::make_shared<int>(i));
    ASSERT_NE(handle, erased);
    table.Erase(handle);
  }
  EXPECT_EQ(table.Find(erased), nullptr);
}

TEST(HandleTableTest, FoundObjectOutlivesItsErasure) {
  HandleTable<int> table;
  const uint32_t handle = table.Issue(std::make_shared<int>(42));
  const std::shared_ptr<int> found = table.Find(handle);
  ASSERT_NE(found, nullptr);
  EXPECT_NE(table.Erase(handle), nullptr);
  EXPECT_EQ(*found, 42);
  EXPECT_EQ(found.use_count(), 1);
}

// With 8-bit handles the counter goes round after 255 issues, which shows
// that it skips 0 and the values still in use.
TEST(HandleTableTest, WrappingCounterSkipsZeroAndLiveValues) {
  HandleTable<int, uint8_t> table;
  const auto live = std::make_shared<int>(7);
  const uint8_t kept = table.Issue(live);
  ASSERT_EQ(kept, 1);
  std::set<uint8_t> seen;
  for (int i = 0; i < 600; ++i) {
    const uint8_t handle = table.Issue(std::make_shared<int>(i));
    ASSERT_NE(handle, 0);
    ASSERT_NE(handle, kept);
    seen.insert(handle);
    table.Erase(handle);
  }
  EXPECT_EQ(seen.size(), 254u);  // every value but 0 and the live one
  EXPECT_EQ(table.Find(kept), live);
}

TEST(HandleTableTest, FullTableIssuesNothing) {
  HandleTable<int, uint8_t> table;
  std::set<uint8_t> issued;
  for (int i = 0; i < 255; ++i) issued.insert(table.Issue(std::make_shared<int>(i)));
  EXPECT_EQ(issued.size(), 255u);
  EXPECT_EQ(issued.count(0), 0u);
  EXPECT_EQ(table.Issue(std::make_shared<int>(255)), 0);
  ASSERT_NE(table.Erase(9), nullptr);
  EXPECT_EQ(table.Issue(std::make_shared<int>(256)), 9);
}

TEST(HandleTableTest, ConcurrentIssueFindAndErase) {
  // Each object records the handle it was issued under.
  using Tagged = std::atomic<uint32_t>;
  HandleTable<Tagged> table;
  constexpr int kWorkers = 4;
  constexpr int kRounds = 2000;
  std::atomic<uint32_t> latest{0};
  std::atomic<bool> done{false};
  std::atomic<int> mismatches{0};

  // A prober looks up the handles around the latest one while they come and
  // go: each lookup finds nothing or the object issued under that handle.
  std::thread prober([&] {
    while (!done.load()) {
      const uint32_t newest = latest.load();
      for (uint32_t back = 0; back < 8; ++back) {
        const uint32_t handle = newest - back;
        if (const std::shared_ptr<Tagged> found = table.Find(handle)) {
          const uint32_t tag = found->load();
          if (tag != 0 && tag != handle) mismatches++;
        }
      }
    }
  });

  std::vector<std::thread> workers;
  for (int worker = 0; worker < kWorkers; ++worker) {
    workers.emplace_back([&] {
      for (int round = 0; round < kRounds; ++round) {
        auto object = std::make_shared<Tagged>(0);
        const uint32_t handle = table.Issue(object);
        object->store(handle);
        latest.store(handle);
        if (handle == 0 || table.Find(handle) != object) mismatches++;
        if (table.Erase(handle) != object) mismatches++;
        if (table.Find(handle) != nullptr) mismatches++;
      }
    });
  }
  for (std::thread& worker : workers) worker.join();
  done = true;
  prober.join();
  EXPECT_EQ(mismatches.load(), 0);
}

TEST(HandleTableTest, ConcurrentlyLiveHandlesAreDistinct) {
  HandleTable<int> table;
  constexpr int kWorkers = 4;
  constexpr int kPerWorker = 500;
  std::vector<std::vector<uint32_t>> handles(kWorkers);
  std::vector<std::thread> workers;
  for (int worker = 0; worker < kWorkers; ++worker) {
    workers.emplace_back([&, worker] {
      for (int i = 0; i < kPerWorker; ++i)
        handles[static_cast<size_t>(worker)].push_back(table.Issue(std::make_shared<int>(i)));
    });
  }
  for (std::thread& worker : workers) worker.join();
  std::set<uint32_t> distinct;
  for (const auto& list : handles) distinct.insert(list.begin(), list.end());
  EXPECT_EQ(distinct.size(), static_cast<size_t>(kWorkers * kPerWorker));
  EXPECT_EQ(distinct.count(0), 0u);
}

}  // namespace
}  // namespace brisca
