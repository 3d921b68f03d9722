#pragma once

// Nonzero 32-bit handles for objects handed to MAP_* callers, so that a
// handle never issued, already released or made up finds nothing instead
// of touching memory. Handles are not reused while the counter has not
// wrapped (2^31 issues). Not thread-safe: the MAP_* layer uses its tables
// on the window thread only.

#include <cstdint>
#include <unordered_map>
#include <utility>

namespace mapu {

template <typename T>
class HandleTable {
 public:
  // Tables start at different bases so that a handle of one kind passed
  // as another is unlikely to name anything.
  explicit HandleTable(int32_t base) : next_(base) {}

  // A fresh handle for `value`; 0 when the table is full.
  int32_t issue(T value) {
    if (entries_.size() >= kMaxEntries) return 0;
    do {
      next_ = next_ == INT32_MAX ? 1 : next_ + 1;
    } while (entries_.contains(next_));
    entries_.emplace(next_, std::move(value));
    return next_;
  }

  // The entry of `handle`, or nullptr; valid until the next issue or release.
  T* find(int32_t handle) {
    const auto it = entries_.find(handle);
    return it == entries_.end() ? nullptr : &it->second;
  }

  bool release(int32_t handle) { return entries_.erase(handle) != 0; }

 private:
  static constexpr size_t kMaxEntries = 1 << 16;
  std::unordered_map<int32_t, T> entries_;
  int32_t next_;
};

}  // namespace mapu
