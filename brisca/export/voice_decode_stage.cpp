#include "brisca/export/voice_decode_stage.h"

#include <algorithm>
#include <cstring>

#include "brisca/base/thread.h"

namespace brisca {
namespace {

// Frames the stage lets gather before it wakes; each wake-up costs about as
// much as decoding a short frame.
constexpr uint64_t kBatchFrames = 4;

}  // namespace

VoiceDecodeStage::VoiceDecodeStage(CADEC& decoder, size_t capacity)
    : decoder_(decoder), slots_(std::max<size_t>(capacity, 1)) {
  thread_ = std::thread([this] {
    NameCurrentThread("brisca-voice");
    DecodeLoop();
  });
}

VoiceDecodeStage::~VoiceDecodeStage() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  work_.notify_one();
  thread_.join();
}

void VoiceDecodeStage::Submit(const uint8_t* data, uint32_t length) {
  Slot& slot = SlotOf(submitted_);
  // The slot was taken before, so the stage's thread is not using it.
  slot.length = length <= slot.input.size() ? length : 0;
  if (slot.length != 0) std::memcpy(slot.input.data(), data, slot.length);
  bool wake = false;
  {
    const std::lock_guard lock(mutex_);
    ++submitted_;
    wake = submitted_ - decoded_ >= kBatchFrames;
  }
  if (wake) work_.notify_one();
}

bool VoiceDecodeStage::OldestReady() {
  const std::lock_guard lock(mutex_);
  return decoded_ > taken_;
}

std::span<const uint8_t> VoiceDecodeStage::TakeOldest() {
  {
    std::unique_lock lock(mutex_);
    if (decoded_ <= taken_) {
      owner_waiting_ = true;
      work_.notify_one();
      ready_.wait(lock, [this] { return decoded_ > taken_; });
      owner_waiting_ = false;
    }
  }
  const Slot& slot = SlotOf(taken_++);
  return {reinterpret_cast<const uint8_t*>(slot.output.data()), slot.output_bytes};
}

void VoiceDecodeStage::DecodeLoop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    work_.wait(lock, [this] {
      return stopping_ ||
             (submitted_ > decoded_ && (owner_waiting_ || submitted_ - decoded_ >= kBatchFrames));
    });
    if (stopping_) return;
    const uint64_t end = submitted_;
    // Slots from decoded_ to end belong to this thread until decoded_ moves
    // past them.
    lock.unlock();
    for (uint64_t sequence = decoded_; sequence < end; ++sequence) Decode(SlotOf(sequence));
    lock.lock();
    decoded_ = end;
    if (owner_waiting_) ready_.notify_one();
  }
}

void VoiceDecodeStage::Decode(Slot& slot) {
  slot.output_bytes = 0;
  if (slot.length == 0 || decoder_.OutputBufferSize() > sizeof slot.output) return;
  // The decoder may read its whole input frame size and write its whole
  // output buffer: both buffers are cleared first.
  std::fill(slot.input.begin() + slot.length, slot.input.end(), uint8_t{0});
  slot.output.fill(0);
  uint16_t count = static_cast<uint16_t>(slot.length / 2);
  decoder_.Decode(slot.input.data(), slot.output.data(), &count);
  slot.output_bytes = std::min<uint32_t>(uint32_t{count} * 2, sizeof slot.output);
}

}  // namespace brisca
