#include "brisca/base/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "brisca/base/mutex_lock.h"

namespace brisca {
namespace {

std::atomic<int> runs{0};

uint32_t CountRun(void*) {
  runs++;
  return 7;
}

uint32_t WaitForStop(void* user) {
  auto* thread = static_cast<CThread*>(user);
  while (!thread->StopRequested()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return 3;
}

class CountingWorker : public CThread {
 public:
  std::atomic<int> passes{0};

 protected:
  uint32_t Run() override {
    while (!StopRequested()) {
      passes++;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return 11;
  }
};

TEST(ThreadTest, FinishedButNotStoppedRefusesStartUntilStopped) {
  runs = 0;
  CThread thread("test-finish");
  ASSERT_EQ(thread.Start(CountRun, nullptr), 1);
  while (runs.load() == 0) std::this_thread::yield();
  EXPECT_EQ(thread.Start(CountRun, nullptr), 0);
  EXPECT_EQ(thread.Stop(), 1);
  EXPECT_EQ(thread.exit_code(), 7u);
  EXPECT_EQ(runs.load(), 1);
  ASSERT_EQ(thread.Start(CountRun, nullptr), 1);
  EXPECT_EQ(thread.Stop(), 1);
  EXPECT_EQ(runs.load(), 2);
}

TEST(ThreadTest, StopOnIdleThreadLeavesEventAlone) {
  CThread thread;
  EXPECT_EQ(thread.Stop(), 0);
  EXPECT_FALSE(thread.StopRequested());
  thread.stop_event().Set();
  EXPECT_EQ(thread.Stop(), 0);
  EXPECT_TRUE(thread.StopRequested());
}

TEST(ThreadTest, StopSignalsTheBodyAndEventStaysSetUntilNextStart) {
  CThread thread("test-stop");
  ASSERT_EQ(thread.Start(WaitForStop, &thread), 1);
  EXPECT_TRUE(thread.IsStarted());
  EXPECT_EQ(thread.Stop(), 1);
  EXPECT_EQ(thread.exit_code(), 3u);
  EXPECT_FALSE(thread.IsStarted());
  EXPECT_TRUE(thread.StopRequested());
  ASSERT_EQ(thread.Start(WaitForStop, &thread), 1);
  EXPECT_FALSE(thread.StopRequested());
  EXPECT_EQ(thread.Stop(), 1);
}

TEST(ThreadTest, RunsOverriddenBodyWithoutEntryFunction) {
  CountingWorker worker;
  ASSERT_EQ(worker.Start(), 1);
  while (worker.passes.load() < 3) std::this_thread::yield();
  EXPECT_EQ(worker.Stop(), 1);
  EXPECT_EQ(worker.exit_code(), 11u);
}

TEST(ThreadTest, StopWithShortTimeoutStillWaitsForTheThread) {
  CountingWorker worker;
  ASSERT_EQ(worker.Start(), 1);
  EXPECT_EQ(worker.Stop(0), 1);
  const int passes = worker.passes.load();
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(worker.passes.load(), passes);  // the body has really ended
}

TEST(ThreadTest, DestroyingAStartedThreadJoinsIt) {
  // Only with an entry function: a subclass's Run must be stopped by the
  // subclass's own destructor, before its members go away.
  auto thread = std::make_unique<CThread>();
  ASSERT_EQ(thread->Start(WaitForStop, thread.get()), 1);
  thread.reset();  // must neither terminate the process nor leave the thread running
}

TEST(EventTest, ManualResetEventStaysSetForEveryWaiter) {
  CEvent event;
  EXPECT_FALSE(event.Wait(0));
  std::thread setter([&] { event.Set(); });
  EXPECT_TRUE(event.Wait(kInfinite));
  setter.join();
  EXPECT_TRUE(event.Wait(0));
  EXPECT_TRUE(event.Wait(10));
  event.Reset();
  EXPECT_FALSE(event.Wait(1));
}

TEST(MutexLockTest, OwnerMayEnterAgainAndOthersWait) {
  CMutexLock lock;
  int counter = 0;
  {
    CAutoLock outer(&lock);
    CAutoLock inner(&lock);  // recursive entry
    counter = 1;
  }
  std::thread other([&] {
    CAutoLock hold(&lock);
    counter++;
  });
  other.join();
  EXPECT_EQ(counter, 2);
}

TEST(MutexLockTest, EarlyReleaseLeavesTheLockOnce) {
  CMutexLock lock;
  std::atomic<bool> entered{false};
  CAutoLock hold(&lock);
  hold.Release();
  hold.Release();  // second release does nothing
  std::thread other([&] {
    CAutoLock inner(&lock);
    entered = true;
  });
  other.join();
  EXPECT_TRUE(entered.load());
  CAutoLock none(nullptr);
}

}  // namespace
}  // namespace brisca
