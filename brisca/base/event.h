// A manual-reset event: once set it stays set until reset, and every waiter
// sees it. Used as the stop event of worker threads.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace brisca {

inline constexpr uint32_t kInfinite = 0xFFFFFFFFu;

class CEvent {
 public:
  explicit CEvent(bool initially_set = false) : set_(initially_set) {}
  virtual ~CEvent() = default;
  CEvent(const CEvent&) = delete;
  CEvent& operator=(const CEvent&) = delete;

  void Set();
  void Reset();
  // Waits up to `timeout_ms` (kInfinite: no limit); true when the event is
  // set. A zero timeout polls.
  bool Wait(uint32_t timeout_ms);

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool set_;  // guarded by mutex_
};

}  // namespace brisca
