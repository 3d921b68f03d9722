#include "brisca/present/audio_output.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

#include "brisca/decode/cadec.h"
#include "brisca/engine/frame_queue.h"

namespace brisca {
namespace {

// The most a decoder may write for one frame.
constexpr uint32_t kScratchBytes = 2048;

// SDL's audio subsystem start, stop and its device table are not safe to
// use from several threads at once; channels open and close their sound on
// callers' threads and workers alike.
std::mutex& SdlAudioLock() {
  static std::mutex lock;
  return lock;
}

// A failing SDL call leaves its message in storage of the calling thread,
// which SDL frees only for threads it started itself; ours and the callers'
// would leak it on exit. The message is not used.
int Refused() {
  SDL_TLSCleanup();
  return 0;
}

}  // namespace

CAudioOutput::~CAudioOutput() { Close(); }

void CAudioOutput::SetSource(CFrameQueue* queue, CADEC* decoder) {
  queue_ = queue;
  decoder_ = decoder;
}

int CAudioOutput::Open(int channels, int bits, int sample_rate, int samples_per_frame) {
  if (state_ == kOpen) return 0;
  if (channels < 1 || channels > 2 || (bits != 8 && bits != 16) || sample_rate <= 0 ||
      samples_per_frame <= 0 || samples_per_frame > 65536)
    return 0;
  buffer_size_ = static_cast<uint32_t>(bits * samples_per_frame);
  samples_per_frame_ = static_cast<uint32_t>(samples_per_frame);
  for (auto& buffer : buffers_) buffer.assign(buffer_size_, 0);
  playing_ = 0;
  played_ = 0;
  underruns_ = 0;

  const std::lock_guard sdl(SdlAudioLock());
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return Refused();
  SDL_AudioSpec wanted{};
  wanted.freq = sample_rate;
  wanted.format = bits == 16 ? AUDIO_S16LSB : AUDIO_U8;
  wanted.channels = static_cast<Uint8>(channels);
  wanted.samples = static_cast<Uint16>(std::min<uint32_t>(buffer_size_ / (bits / 8) / channels, 8192));
  wanted.callback = &CAudioOutput::DeviceCallback;
  wanted.userdata = this;
  SDL_AudioSpec obtained{};
  device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
  if (device_ == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    for (auto& buffer : buffers_) buffer = {};
    return Refused();
  }
  sample_format_ = obtained.format;
  paused_ = false;
  closing_ = false;
  state_ = kOpen;
  SDL_PauseAudioDevice(device_, 0);  // start with the two silent buffers
  return 1;
}

void CAudioOutput::Close() {
  if (state_ != kOpen) return;
  closing_ = true;
  while (busy_.load() != 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  state_ = kClosing;
  {
    const std::lock_guard sdl(SdlAudioLock());
    // Returns once the callback has finished and will not run again.
    SDL_CloseAudioDevice(device_);
    device_ = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
  state_ = kClosed;
  for (auto& buffer : buffers_) buffer = {};
}

void CAudioOutput::Pause(bool paused) { paused_ = paused; }

void CAudioOutput::SetVolume(uint32_t volume) {
  // Kept while closed too: sound muted during fast play comes back at the
  // volume chosen meanwhile.
  volume_ = volume & 0xFFFF;
}

void SDLCALL CAudioOutput::DeviceCallback(void* user, Uint8* stream, int length) {
  static_cast<CAudioOutput*>(user)->Play(stream, length);
}

// Hands the device the next bytes of the playing buffer; a buffer played to
// its end is refilled at once and queued behind the other one.
void CAudioOutput::Play(Uint8* stream, int length) {
  Uint8* out = stream;
  int left = length;
  while (left > 0) {
    std::vector<uint8_t>& buffer = buffers_[playing_];
    const uint32_t chunk = std::min<uint32_t>(static_cast<uint32_t>(left), buffer_size_ - played_);
    std::memcpy(out, buffer.data() + played_, chunk);
    out += chunk;
    left -= static_cast<int>(chunk);
    played_ += chunk;
    if (played_ == buffer_size_) {
      Refill(buffer);
      playing_ ^= 1;
      played_ = 0;
    }
  }
  ApplyVolume(stream, length);
}

void CAudioOutput::Refill(std::vector<uint8_t>& buffer) {
  if (closing_) return;
  ++busy_;
  if (paused_ || !queue_ || !decoder_) {
    std::fill(buffer.begin(), buffer.end(), 0);
  } else {
    uint32_t filled = 0;
    std::array<uint8_t, kAudioWorkArea> work;
    QueuedFrame frame;
    while (filled < buffer_size_ && queue_->Pop(&frame, work.data(), kAudioWorkArea) == 1) {
      if (frame.length > kAudioWorkArea) continue;  // too long to have been copied whole
      filled += DecodeInto(work.data(), frame.length, buffer.data() + filled, buffer_size_ - filled);
    }
    if (filled < buffer_size_) {
      // The first four short buffers in a row keep their old tail.
      if (underruns_ > 3) std::fill(buffer.begin() + filled, buffer.end(), 0);
      ++underruns_;
    } else {
      underruns_ = 0;
    }
  }
  --busy_;
}

// Decodes one frame to at most `room` bytes at `out`; the bytes written.
uint32_t CAudioOutput::DecodeInto(const uint8_t* frame, uint32_t length, uint8_t* out,
                                  uint32_t room) {
  const uint32_t most = static_cast<uint32_t>(decoder_->OutputBufferSize());
  if (most > kScratchBytes) return 0;
  alignas(int16_t) uint8_t scratch[kScratchBytes];
  // Decode straight into the buffer when the largest output fits there.
  uint8_t* target = room >= most ? out : scratch;
  uint16_t count = static_cast<uint16_t>(length / 2);
  decoder_->Decode(frame, reinterpret_cast<int16_t*>(target), &count);
  const uint32_t bytes = std::min<uint32_t>({uint32_t{count} * 2, most, room});
  if (target == scratch) std::memcpy(out, scratch, bytes);
  return bytes;
}

void CAudioOutput::ApplyVolume(Uint8* stream, int length) const {
  const uint32_t volume = volume_.load();
  if (volume == 0xFFFF || sample_format_ != AUDIO_S16LSB) return;
  for (int i = 0; i + 1 < length; i += 2) {
    int16_t sample;
    std::memcpy(&sample, stream + i, sizeof sample);
    sample = static_cast<int16_t>(sample * static_cast<int32_t>(volume) / 0xFFFF);
    std::memcpy(stream + i, &sample, sizeof sample);
  }
}

}  // namespace brisca
