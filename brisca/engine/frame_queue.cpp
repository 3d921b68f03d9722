#include "brisca/engine/frame_queue.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace brisca {

bool CFrameQueue::Configure(uint32_t descriptors, uint32_t capacity) {
  CAutoLock hold(&lock_);
  ring_.reset();
  descriptors_.clear();
  capacity_ = 0;
  ClearLocked();
  if (descriptors < 2 || capacity == 0) return false;
  std::unique_ptr<uint8_t[]> ring(new (std::nothrow) uint8_t[capacity]);
  if (!ring) return false;
  try {
    descriptors_.resize(descriptors);
  } catch (const std::bad_alloc&) {
    return false;
  }
  ring_ = std::move(ring);
  capacity_ = capacity;
  ClearLocked();
  return true;
}

void CFrameQueue::ClearLocked() {
  read_ = write_ = 0;
  free_ = capacity_;
  head_ = tail_ = 0;
  count_ = 0;
  last_pushed_ = 0;
}

void CFrameQueue::CopyIn(const uint8_t* bytes, uint32_t length) {
  const uint32_t first = std::min(length, capacity_ - write_);
  if (first) std::memcpy(ring_.get() + write_, bytes, first);
  if (length > first) std::memcpy(ring_.get(), bytes + first, length - first);
  write_ = static_cast<uint32_t>((uint64_t{write_} + length) % capacity_);
}

// Copies the first `wanted` of the oldest frame's `length` bytes out and
// consumes all `length`.
void CFrameQueue::CopyOut(uint8_t* destination, uint32_t length, uint32_t wanted) {
  if (destination && wanted) {
    const uint32_t first = std::min(wanted, capacity_ - read_);
    std::memcpy(destination, ring_.get() + read_, first);
    if (wanted > first) std::memcpy(destination + first, ring_.get(), wanted - first);
  }
  read_ = static_cast<uint32_t>((uint64_t{read_} + length) % capacity_);
}

int CFrameQueue::Push(uint32_t type, uint32_t length, uint64_t timestamp, const uint8_t* bytes) {
  CAutoLock hold(&lock_);
  if (!ring_ || count_ > descriptors_.size() - 2) return 0;
  // Unsigned: a length of 2 GiB or more must be refused, not taken as negative.
  if (length > free_ || (length && !bytes)) return 0;
  descriptors_[tail_] = {type, length, timestamp};
  CopyIn(bytes, length);
  free_ -= length;
  last_pushed_ = timestamp;
  tail_ = (tail_ + 1) % static_cast<uint32_t>(descriptors_.size());
  ++count_;
  return 1;
}

int CFrameQueue::Pop(QueuedFrame* frame, uint8_t* destination, uint32_t capacity) {
  CAutoLock hold(&lock_);
  if (count_ == 0 || head_ == tail_) return 0;
  const QueuedFrame oldest = descriptors_[head_];
  if (frame) *frame = oldest;
  CopyOut(destination, oldest.length, std::min(oldest.length, capacity));
  free_ += oldest.length;
  head_ = (head_ + 1) % static_cast<uint32_t>(descriptors_.size());
  --count_;
  return 1;
}

int CFrameQueue::PeekVideoTimestamp(uint64_t* timestamp, uint32_t skip) {
  CAutoLock hold(&lock_);
  uint32_t index = head_;
  for (uint32_t i = 0; i < count_; ++i) {
    const QueuedFrame& frame = descriptors_[index];
    if (frame.type != 2 && frame.type != 3 && skip-- == 0) {
      if (timestamp) *timestamp = frame.timestamp;
      return 1;
    }
    index = (index + 1) % static_cast<uint32_t>(descriptors_.size());
  }
  return 0;
}

uint32_t CFrameQueue::Count() {
  CAutoLock hold(&lock_);
  return count_;
}

uint64_t CFrameQueue::LastPushedTimestamp() {
  CAutoLock hold(&lock_);
  return last_pushed_;
}

void CFrameQueue::Clear() {
  CAutoLock hold(&lock_);
  ClearLocked();
}

void CFrameQueue::DropUntil(uint64_t timestamp) {
  CAutoLock hold(&lock_);
  uint8_t scratch[kDropScratchBytes];
  QueuedFrame frame;
  bool popped = Pop(&frame, scratch, sizeof scratch) == 1;
  while (popped && frame.timestamp <= timestamp) popped = Pop(&frame, scratch, sizeof scratch) == 1;
}

void CFrameQueue::Release() {
  CAutoLock hold(&lock_);
  ring_.reset();
  descriptors_.clear();
  descriptors_.shrink_to_fit();
  capacity_ = 0;
  ClearLocked();
}

}  // namespace brisca
