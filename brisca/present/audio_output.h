// Plays one channel's sound. Two buffers take turns at the sound device;
// each buffer the device has finished is refilled at once by draining the
// channel's audio queue and decoding its frames straight into the buffer.
// The device's consumption sets the pace.
//
// Threads: Open, Close, Pause and SetVolume run on the caller's thread;
// refills run on the sound system's callback thread. The busy counter and
// the closing flag keep Close from freeing buffers while a refill runs; the
// queue locks itself.
#pragma once

#include <SDL2/SDL.h>

#include <atomic>
#include <cstdint>
#include <vector>

namespace brisca {

class CADEC;
class CFrameQueue;

inline constexpr uint32_t kAudioWorkArea = 1400;  // bytes of one popped frame

class CAudioOutput {
 public:
  enum State : int { kOpen = 0, kClosing = 1, kClosed = 2 };

  CAudioOutput() = default;
  virtual ~CAudioOutput();
  CAudioOutput(const CAudioOutput&) = delete;
  CAudioOutput& operator=(const CAudioOutput&) = delete;

  // The queue to drain and the decoder to decode with; neither is owned.
  // Set before Open.
  void SetSource(CFrameQueue* queue, CADEC* decoder);

  // Opens the sound device for PCM of `channels` channels, `bits` bits and
  // `sample_rate` Hz, with two buffers of bits × samples_per_frame bytes
  // (eight frames of 16-bit samples), both starting as silence. 1 opened;
  // 0 when already open (the running device is kept) or the device cannot
  // be opened (the output stays closed and silent).
  int Open(int channels, int bits, int sample_rate, int samples_per_frame);
  // Waits for a refill in progress, stops and closes the device, frees the
  // buffers. Nothing happens unless open.
  void Close();
  // Paused output keeps the device running on silence.
  void Pause(bool paused);
  // Low 16 bits: the volume, 0 silent to 0xFFFF full. Set while closed, it
  // applies from the next Open.
  void SetVolume(uint32_t volume);

  State state() const { return state_.load(); }
  uint32_t volume() const { return volume_.load(); }
  uint32_t buffer_size() const { return buffer_size_; }

 private:
  static void SDLCALL DeviceCallback(void* user, Uint8* stream, int length);
  void Play(Uint8* stream, int length);
  void Refill(std::vector<uint8_t>& buffer);
  uint32_t DecodeInto(const uint8_t* frame, uint32_t length, uint8_t* out, uint32_t room);
  void ApplyVolume(Uint8* stream, int length) const;

  std::atomic<State> state_{kClosed};
  SDL_AudioDeviceID device_ = 0;
  SDL_AudioFormat sample_format_ = AUDIO_S16LSB;
  uint32_t buffer_size_ = 0;
  uint32_t samples_per_frame_ = 0;
  CFrameQueue* queue_ = nullptr;
  CADEC* decoder_ = nullptr;
  std::atomic<bool> paused_{false};
  std::atomic<int> busy_{0};
  std::atomic<bool> closing_{false};
  std::atomic<uint32_t> volume_{0xFFFF};

  // Owned by the callback thread while the device runs:
  std::vector<uint8_t> buffers_[2];
  int playing_ = 0;         // the buffer the device is playing
  uint32_t played_ = 0;     // bytes of it already played
  uint32_t underruns_ = 0;  // short refills in a row
};

}  // namespace brisca
