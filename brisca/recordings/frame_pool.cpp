#include "brisca/recordings/frame_pool.h"

#include <algorithm>
#include <new>

namespace brisca {
namespace {

bool Allocate(RecFrame& frame, uint32_t capacity) {
  std::unique_ptr<uint8_t[]> storage(new (std::nothrow) uint8_t[capacity]());
  if (!storage) return false;
  frame.storage = std::move(storage);
  frame.data = frame.storage.get();
  frame.capacity = capacity;
  return true;
}

}  // namespace

FramePool::FramePool(size_t frame_count, uint32_t frame_size) {
  all_.reserve(frame_count);
  for (size_t i = 0; i < frame_count; ++i) {
    auto frame = std::make_unique<RecFrame>();
    if (!Allocate(*frame, frame_size)) throw std::bad_alloc();
    free_.push_back(frame.get());
    all_.push_back(std::move(frame));
  }
}

RecFrame* FramePool::Take(uint32_t size) {
  CAutoLock hold(&lock_);
  if (free_.empty()) return nullptr;
  RecFrame* frame = free_.front();
  if (frame->capacity < size) {
    if (size > UINT32_MAX - kPoolFrameSlack) return nullptr;
    if (!Allocate(*frame, size + kPoolFrameSlack)) return nullptr;
  }
  free_.pop_front();
  return frame;
}

void FramePool::Release(RecFrame* frame) {
  if (!frame) return;
  CAutoLock hold(&lock_);
  // A frame of another pool or one given back twice would corrupt the free
  // list; both are ignored.
  const bool owned = std::any_of(all_.begin(), all_.end(),
                                 [frame](const auto& own) { return own.get() == frame; });
  if (!owned || std::find(free_.begin(), free_.end(), frame) != free_.end()) return;
  free_.push_back(frame);
}

size_t FramePool::FreeCount() {
  CAutoLock hold(&lock_);
  return free_.size();
}

}  // namespace brisca
