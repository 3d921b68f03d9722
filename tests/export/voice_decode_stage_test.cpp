#include "brisca/export/voice_decode_stage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "brisca/decode/cadec_factory.h"

namespace brisca {
namespace {

// G.726 at 32 kbit/s: 4-byte voice header and 160 bytes of codes, 320
// samples.
std::vector<uint8_t> VoiceFrame(std::mt19937& random) {
  std::vector<uint8_t> frame = {0x00, 0x01, 80, 0x00};
  for (int i = 0; i < 160; ++i) frame.push_back(static_cast<uint8_t>(random()));
  return frame;
}

std::vector<uint8_t> DecodeDirectly(CADEC& decoder, std::vector<uint8_t> frame) {
  std::vector<int16_t> samples(decoder.OutputBufferSize() / 2);
  uint16_t count = static_cast<uint16_t>(frame.size() / 2);
  frame.resize(std::max<size_t>(frame.size(), decoder.InputFrameSize()));
  decoder.Decode(frame.data(), samples.data(), &count);
  const auto* bytes = reinterpret_cast<const uint8_t*>(samples.data());
  return {bytes, bytes + count * 2};
}

// Frames come back in order with the samples one decoder gives them in
// sequence, however submitting and taking interleave: in bursts up to the
// capacity, one at a time, and with frames that do not fit in between.
TEST(VoiceDecodeStageTest, SamplesComeBackInOrder) {
  std::mt19937 random(3);
  std::vector<std::vector<uint8_t>> frames;
  for (int i = 0; i < 400; ++i) frames.push_back(VoiceFrame(random));
  frames[17].assign(VoiceDecodeStage::kFrameBytes + 2, 0);  // too long: no samples
  frames[18].assign(6, 0xFF);                              // refused by the decoder

  std::unique_ptr<CADEC> reference = CreateAudioDecoder(1);
  ASSERT_EQ(reference->Open(), 1);
  std::vector<std::vector<uint8_t>> expected;
  for (const auto& frame : frames)
    expected.push_back(frame.size() > VoiceDecodeStage::kFrameBytes
                           ? std::vector<uint8_t>{}
                           : DecodeDirectly(*reference, frame));
  EXPECT_TRUE(expected[17].empty());
  EXPECT_TRUE(expected[18].empty());

  std::unique_ptr<CADEC> decoder = CreateAudioDecoder(1);
  ASSERT_EQ(decoder->Open(), 1);
  VoiceDecodeStage stage(*decoder, 7);
  size_t submitted = 0;
  size_t taken = 0;
  while (taken < frames.size()) {
    // Fill up, then take a varying number.
    while (submitted < frames.size() && !stage.Full()) {
      stage.Submit(frames[submitted].data(), static_cast<uint32_t>(frames[submitted].size()));
      ++submitted;
    }
    EXPECT_EQ(stage.Waiting(), submitted - taken);
    for (size_t n = 1 + random() % 7; n > 0 && taken < submitted; --n) {
      const std::span<const uint8_t> samples = stage.TakeOldest();
      ASSERT_EQ(std::vector<uint8_t>(samples.begin(), samples.end()), expected[taken]) << taken;
      ++taken;
    }
  }
}

// A stage destroyed with frames still waiting stops without decoding them
// all or waiting for more.
TEST(VoiceDecodeStageTest, StopsWithFramesWaiting) {
  std::mt19937 random(4);
  std::unique_ptr<CADEC> decoder = CreateAudioDecoder(1);
  ASSERT_EQ(decoder->Open(), 1);
  {
    VoiceDecodeStage stage(*decoder, 3);
    const std::vector<uint8_t> frame = VoiceFrame(random);
    stage.Submit(frame.data(), static_cast<uint32_t>(frame.size()));
    stage.Submit(frame.data(), static_cast<uint32_t>(frame.size()));
    EXPECT_EQ(stage.TakeOldest().size(), 640u);
    stage.Submit(frame.data(), static_cast<uint32_t>(frame.size()));
  }
  VoiceDecodeStage idle(*decoder, 3);
}

}  // namespace
}  // namespace brisca
