// Decodes voice frames on a thread of its own while the conversion worker
// goes on reading and writing, and hands the samples back in the order the
// frames were given. Voice decoding (G.726 above all) costs as much as
// copying the video, so the two run side by side.
//
// Threads: one owner thread submits and takes; the stage's own thread only
// decodes. The stage wakes for a batch of frames, or at once when the owner
// waits for samples, so that it is not woken for every small frame.
#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "brisca/decode/cadec.h"

namespace brisca {

class VoiceDecodeStage {
 public:
  // Voice frames are copied and decoded in fixed buffers of this size; a
  // frame that does not fit gives no samples (recorder voice frames stay
  // far below).
  static constexpr uint32_t kFrameBytes = 2048;

  // `decoder` (opened) is used only by the stage's thread until the stage
  // is destroyed. `capacity`: frames submitted and not yet taken, at most.
  VoiceDecodeStage(CADEC& decoder, size_t capacity);
  // Stops the thread; frames not yet decoded are dropped.
  ~VoiceDecodeStage();
  VoiceDecodeStage(const VoiceDecodeStage&) = delete;
  VoiceDecodeStage& operator=(const VoiceDecodeStage&) = delete;

  // True when `capacity` frames wait to be taken and Submit must wait.
  bool Full() const { return submitted_ - taken_ == slots_.size(); }
  // Frames submitted and not yet taken.
  size_t Waiting() const { return static_cast<size_t>(submitted_ - taken_); }

  // Copies one voice frame for decoding. Not when Full().
  void Submit(const uint8_t* data, uint32_t length);

  // True when the oldest frame not yet taken is decoded.
  bool OldestReady();

  // The samples of the oldest frame not yet taken, as bytes, waiting for it
  // to be decoded; empty for a frame the decoder refused or that did not
  // fit. Valid until the next Submit. There must be a frame waiting.
  std::span<const uint8_t> TakeOldest();

 private:
  struct Slot {
    std::array<uint8_t, kFrameBytes> input;
    uint32_t length = 0;
    std::array<int16_t, kFrameBytes / 2> output;
    uint32_t output_bytes = 0;
  };

  void DecodeLoop();
  void Decode(Slot& slot);
  Slot& SlotOf(uint64_t sequence) { return slots_[sequence % slots_.size()]; }

  CADEC& decoder_;
  std::vector<Slot> slots_;

  // Sequence numbers of frames. `submitted_` and `taken_` are written only
  // by the owner, `decoded_` only by the stage's thread; all three under
  // mutex_ where the other side reads them.
  std::mutex mutex_;
  std::condition_variable work_;   // the stage waits for frames
  std::condition_variable ready_;  // the owner waits for samples
  uint64_t submitted_ = 0;
  uint64_t taken_ = 0;
  uint64_t decoded_ = 0;
  bool owner_waiting_ = false;
  bool stopping_ = false;

  std::thread thread_;
};

}  // namespace brisca
