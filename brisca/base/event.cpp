#include "brisca/base/event.h"

#include <chrono>

namespace brisca {

void CEvent::Set() {
  {
    std::lock_guard lock(mutex_);
    set_ = true;
  }
  changed_.notify_all();
}

void CEvent::Reset() {
  std::lock_guard lock(mutex_);
  set_ = false;
}

bool CEvent::Wait(uint32_t timeout_ms) {
  std::unique_lock lock(mutex_);
  if (timeout_ms == kInfinite) {
    changed_.wait(lock, [this] { return set_; });
    return true;
  }
  return changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                           [this] { return set_; });
}

}  // namespace brisca
