// The sound output, played through SDL's disk driver into a file.
#include "brisca/present/audio_output.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "brisca/decode/cadec.h"
#include "brisca/decode/cadec_factory.h"
#include "brisca/engine/frame_queue.h"

namespace brisca {
namespace {
namespace fs = std::filesystem;

// Hands the frame's bytes through as samples, so what was played can be
// compared with what was queued.
class PassThroughDecoder : public CADEC {
 public:
  int Open() override { return 1; }
  int IsPlaceholder() const override { return 0; }
  int Decode(const uint8_t* input, int16_t* output, uint16_t* count) override {
    std::memcpy(output, input, *count * 2u);
    return 1;
  }
  uint32_t InputFrameSize() const override { return 640; }
  uint32_t OutputBufferSize() const override { return 1280; }
};

constexpr uint32_t kFrameBytes = 640;    // 320 samples
constexpr uint32_t kBufferBytes = 5120;  // 16 bits x 320

std::vector<uint8_t> FrameBytes(int index) {
  std::vector<uint8_t> bytes(kFrameBytes);
  for (uint32_t i = 0; i < kFrameBytes; i += 2) {
    const int16_t sample = static_cast<int16_t>(1000 + index * 100 + i / 2);
    std::memcpy(&bytes[i], &sample, 2);
  }
  return bytes;
}

class AudioOutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = fs::temp_directory_path() / ("brisca-sound-" + std::to_string(getpid()) + ".raw");
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", file_.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "1", 1);
    ASSERT_TRUE(queue_.Configure(kAudioQueueDescriptors, kAudioQueueBytes));
    output_.SetSource(&queue_, &decoder_);
  }
  void TearDown() override {
    output_.Close();
    fs::remove(file_);
    unsetenv("SDL_AUDIODRIVER");
    unsetenv("SDL_DISKAUDIOFILE");
    unsetenv("SDL_DISKAUDIODELAY");
  }

  void Queue(int first, int count) {
    for (int i = first; i < first + count; ++i) {
      const auto bytes = FrameBytes(i);
      ASSERT_EQ(queue_.Push(2, kFrameBytes, 40u * i, bytes.data()), 1);
    }
  }

  // Runs the device until `buffers` buffers were played, then closes it.
  std::vector<uint8_t> PlayBuffers(uint32_t buffers) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline &&
           (!fs::exists(file_) || fs::file_size(file_) < buffers * kBufferBytes))
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    output_.Close();
    std::ifstream in(file_, std::ios::binary);
    std::vector<uint8_t> played{std::istreambuf_iterator<char>(in), {}};
    if (played.size() > buffers * kBufferBytes) played.resize(buffers * kBufferBytes);
    return played;
  }

  static std::vector<uint8_t> Buffer(int first_frame) {
    std::vector<uint8_t> out;
    for (int i = first_frame; i < first_frame + 8; ++i) {
      const auto bytes = FrameBytes(i);
      out.insert(out.end(), bytes.begin(), bytes.end());
    }
    return out;
  }
  static std::vector<uint8_t> Silence() { return std::vector<uint8_t>(kBufferBytes, 0); }

  fs::path file_;
  CFrameQueue queue_;
  PassThroughDecoder decoder_;
  CAudioOutput output_;
};

// SDL may write silence of its own before the device starts, so the played
// sound is found after the leading silence, which holds at least the two
// silent buffers the output starts with.
size_t SoundStart(const std::vector<uint8_t>& played) {
  return static_cast<size_t>(
      std::find_if(played.begin(), played.end(), [](uint8_t b) { return b != 0; }) -
      played.begin());
}

TEST_F(AudioOutputTest, PlaysDecodedFramesThenStaleTailsThenSilence) {
  Queue(0, 16);
  ASSERT_EQ(output_.Open(1, 16, 8000, 320), 1);
  EXPECT_EQ(output_.buffer_size(), kBufferBytes);
  EXPECT_EQ(output_.Open(1, 16, 8000, 320), 0);  // already open: keeps running
  const std::vector<uint8_t> played = PlayBuffers(14);
  const size_t start = SoundStart(played);
  EXPECT_GE(start, 2 * kBufferBytes);
  ASSERT_GE(played.size(), start + 7 * kBufferBytes);

  // The queued frames, then the first four short buffers keep their old
  // bytes, then silence.
  std::vector<uint8_t> expected;
  for (const auto& buffer : {Buffer(0), Buffer(8), Buffer(0), Buffer(8), Buffer(0), Buffer(8), Silence()})
    expected.insert(expected.end(), buffer.begin(), buffer.end());
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), played.begin() + static_cast<std::ptrdiff_t>(start)));
  EXPECT_EQ(output_.state(), CAudioOutput::kClosed);
}

// With the recorder's A-law decoder in place, what is played is exactly
// what the decoder gives for the queued voice frames, followed by the two
// buffers' stale bytes four more times and then silence.
TEST_F(AudioOutputTest, PlaysExactlyTheVoiceDecodersSamples) {
  constexpr int kFrames = 16;  // two buffers of eight 320-sample frames
  auto alaw = CreateAudioDecoder(2);
  auto reference = CreateAudioDecoder(2);
  ASSERT_TRUE(alaw->Open() && reference->Open());
  std::vector<uint8_t> decoded;
  for (int i = 0; i < kFrames; ++i) {
    std::vector<uint8_t> frame = {0x00, 0x01, 160, 0x00};
    for (int k = 0; k < 320; ++k) frame.push_back(static_cast<uint8_t>(k * 7 + i * 13));
    ASSERT_EQ(queue_.Push(2, static_cast<uint32_t>(frame.size()), 40u * i, frame.data()), 1);
    std::vector<uint8_t> pcm(reference->OutputBufferSize());
    uint16_t count = static_cast<uint16_t>(frame.size() / 2);
    ASSERT_TRUE(reference->Decode(frame.data(), reinterpret_cast<int16_t*>(pcm.data()), &count));
    ASSERT_EQ(count, 320);
    decoded.insert(decoded.end(), pcm.begin(), pcm.begin() + 640);
  }
  output_.SetSource(&queue_, alaw.get());
  ASSERT_EQ(output_.Open(1, 16, 8000, 320), 1);
  const std::vector<uint8_t> played = PlayBuffers(12);
  const size_t start = SoundStart(played);
  ASSERT_GE(played.size(), start + 7 * kBufferBytes);
  const auto at = [&](size_t buffer) {
    return played.begin() + static_cast<std::ptrdiff_t>(start + buffer * kBufferBytes);
  };
  EXPECT_TRUE(std::equal(decoded.begin(), decoded.end(), at(0)));
  for (size_t stale = 2; stale < 6; stale += 2)
    EXPECT_TRUE(std::equal(decoded.begin(), decoded.end(), at(stale))) << stale;
  EXPECT_TRUE(std::all_of(at(6), at(7), [](uint8_t b) { return b == 0; }));
}

TEST_F(AudioOutputTest, PausedOutputPlaysSilence) {
  Queue(0, 16);
  ASSERT_EQ(output_.Open(1, 16, 8000, 320), 1);
  output_.Pause(true);
  const std::vector<uint8_t> played = PlayBuffers(6);
  EXPECT_TRUE(std::all_of(played.begin(), played.end(), [](uint8_t b) { return b == 0; }));
  EXPECT_EQ(queue_.Count(), 16u);  // nothing was drained
}

TEST_F(AudioOutputTest, VolumeScalesTheSamples) {
  Queue(0, 8);
  // Set while closed (sound muted during fast play), it holds once open;
  // only the low word counts: about half.
  output_.SetVolume(0xFFFF8000);
  ASSERT_EQ(output_.Open(1, 16, 8000, 320), 1);
  const std::vector<uint8_t> played = PlayBuffers(5);
  const size_t start = SoundStart(played);
  ASSERT_LT(start + 1, played.size());
  int16_t first;
  std::memcpy(&first, &played[start], 2);
  EXPECT_EQ(first, 1000 * 0x8000 / 0xFFFF);
}

TEST_F(AudioOutputTest, NoDeviceLeavesTheOutputClosed) {
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  EXPECT_EQ(output_.Open(1, 16, 8000, 320), 0);
  EXPECT_EQ(output_.state(), CAudioOutput::kClosed);
  output_.Close();
  EXPECT_EQ(output_.Open(0, 16, 8000, 320), 0);
}

}  // namespace
}  // namespace brisca
