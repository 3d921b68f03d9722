// The audio decoders and the voice library under them: decoder choice,
// frame validation, output bounds and G.726 state across frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <cstring>
#include <memory>
#include <vector>

#include "brisca/decode/cadec_adpcm.h"
#include "brisca/decode/cadec_factory.h"
#include "brisca/decode/cadec_g711.h"
#include "brisca/decode/cadec_g726.h"
#include "platform/lib_VoiceEngine_dll/g726_decoder.h"
#include "platform/lib_VoiceEngine_dll/lib_VoiceEngine_dll.h"

namespace brisca {
namespace {

std::vector<uint8_t> Frame(const std::vector<uint8_t>& codec_data) {
  std::vector<uint8_t> frame = {0x00, 0x01, static_cast<uint8_t>(codec_data.size() / 2), 0x00};
  frame.insert(frame.end(), codec_data.begin(), codec_data.end());
  return frame;
}

// A deterministic, varied run of bytes.
std::vector<uint8_t> Pattern(size_t size, uint32_t seed) {
  std::vector<uint8_t> bytes(size);
  for (uint8_t& byte : bytes) {
    seed = seed * 1103515245u + 12345u;
    byte = static_cast<uint8_t>(seed >> 16);
  }
  return bytes;
}

std::vector<uint8_t> ImaBlock(uint32_t seed) {
  std::vector<uint8_t> block = Pattern(164, seed);
  block[2] = 20;
  block[3] = 0;
  return block;
}

// Decodes into a heap buffer of exactly OutputBufferSize() bytes, so an
// overrun is caught by AddressSanitizer.
struct Decoded {
  int result;
  uint16_t count;
  std::vector<int16_t> samples;
};

Decoded Decode(CADEC& decoder, const std::vector<uint8_t>& frame) {
  auto input = std::make_unique<uint8_t[]>(frame.size());
  if (!frame.empty()) std::memcpy(input.get(), frame.data(), frame.size());
  const size_t capacity = decoder.OutputBufferSize() / 2;
  auto output = std::make_unique<int16_t[]>(capacity);
  uint16_t count = static_cast<uint16_t>(frame.size() / 2);
  const int result = decoder.Decode(input.get(), output.get(), &count);
  return {result, count, std::vector<int16_t>(output.get(), output.get() + count)};
}

TEST(CADECSelection, CodecIdentifiersChooseTheDecoder) {
  EXPECT_NE(dynamic_cast<CADECG726*>(CreateAudioDecoder(1).get()), nullptr);
  auto alaw = CreateAudioDecoder(2);
  ASSERT_NE(dynamic_cast<CADECG711*>(alaw.get()), nullptr);
  EXPECT_EQ(dynamic_cast<CADECG711*>(alaw.get())->variant(), 1);
  auto ulaw = CreateAudioDecoder(3);
  ASSERT_NE(dynamic_cast<CADECG711*>(ulaw.get()), nullptr);
  EXPECT_EQ(dynamic_cast<CADECG711*>(ulaw.get())->variant(), 2);
  for (uint8_t id : {0, 4, 9, 15, 255}) {
    EXPECT_NE(dynamic_cast<CADECAdpcm*>(CreateAudioDecoder(id).get()), nullptr) << int(id);
  }
}

TEST(CADECSelection, ConstantsAndOutputFormat) {
  struct Expected {
    uint8_t id;
    uint32_t input;
    uint32_t output;
  };
  for (const Expected& e : {Expected{1, 204, 1280}, Expected{2, 640, 1280},
                            Expected{3, 640, 1280}, Expected{4, 168, 1600}}) {
    auto decoder = CreateAudioDecoder(e.id);
    EXPECT_EQ(decoder->InputFrameSize(), e.input);
    EXPECT_EQ(decoder->OutputBufferSize(), e.output);
    EXPECT_EQ(decoder->IsPlaceholder(), 0);
    const AudioOutputFormat& format = decoder->output_format();
    EXPECT_EQ(format.format_tag, 1);
    EXPECT_EQ(format.channels, 1);
    EXPECT_EQ(format.samples_per_second, 8000u);
    EXPECT_EQ(format.bytes_per_second, 16000u);
    EXPECT_EQ(format.block_align, 2);
    EXPECT_EQ(format.bits_per_sample, 16);
    EXPECT_EQ(format.extra_size, 0);
  }
}

// Code 3 is variant 2, which the voice library decodes as u-law: 0xFF is
// u-law zero but an A-law value of 848.
TEST(CADECSelection, IdentifierThreeDecodesULaw) {
  auto decoder = CreateAudioDecoder(3);
  ASSERT_EQ(decoder->Open(), 1);
  const Decoded decoded = Decode(*decoder, Frame(std::vector<uint8_t>(320, 0xFF)));
  ASSERT_EQ(decoded.result, 1);
  ASSERT_EQ(decoded.count, 320);
  for (int16_t sample : decoded.samples) EXPECT_EQ(sample, 0);

  auto alaw = CreateAudioDecoder(2);
  ASSERT_EQ(alaw->Open(), 1);
  EXPECT_EQ(Decode(*alaw, Frame(std::vector<uint8_t>(320, 0xFF))).samples.at(0), 848);
}

TEST(VoiceLibrary, ResetCodes) {
  uint8_t state[128] = {};
  for (int codec : {1, 2, 3, 7}) EXPECT_EQ(HI_VOICE_DecReset(state, codec), 0) << codec;
  for (int codec : {0, 4, 5, 6, 8, -1}) EXPECT_NE(HI_VOICE_DecReset(state, codec), 0) << codec;
  EXPECT_NE(HI_VOICE_DecReset(nullptr, 1), 0);
}

TEST(VoiceLibrary, G711ResetStaysInsideEightBytes) {
  uint8_t area[10];
  std::memset(area, 0xAB, sizeof area);
  ASSERT_EQ(HI_VOICE_DecReset(area, 2), 0);
  EXPECT_EQ(area[8], 0xAB);
  EXPECT_EQ(area[9], 0xAB);
}

TEST(VoiceLibrary, DecodeBeforeResetFails) {
  CADECG726 decoder;
  const Decoded decoded = Decode(decoder, Frame(std::vector<uint8_t>(160, 0x11)));
  EXPECT_EQ(decoded.result, 0);
  EXPECT_EQ(decoded.count, 0);
}

TEST(VoiceLibrary, G711Values) {
  CADECG711 decoder(1);
  ASSERT_EQ(decoder.Open(), 1);
  std::vector<uint8_t> codes = {0xD5, 0x55, 0xAA, 0x2A};
  codes.resize(320, 0xD5);
  const Decoded decoded = Decode(decoder, Frame(codes));
  ASSERT_EQ(decoded.count, 320);
  EXPECT_EQ(decoded.samples[0], 8);
  EXPECT_EQ(decoded.samples[1], -8);
  EXPECT_EQ(decoded.samples[2], 32256);
  EXPECT_EQ(decoded.samples[3], -32256);
}

TEST(VoiceLibrary, ImaBlockStartsWithItsHeaderSample) {
  CADECAdpcm decoder;
  ASSERT_EQ(decoder.Open(), 1);
  std::vector<uint8_t> block = ImaBlock(1);
  block[0] = 0x34;
  block[1] = 0x12;
  const Decoded decoded = Decode(decoder, Frame(block));
  ASSERT_EQ(decoded.result, 1);
  ASSERT_EQ(decoded.count, 321);
  EXPECT_EQ(decoded.samples[0], 0x1234);
}

TEST(VoiceLibrary, ImaRejectsStepIndexAbove88) {
  CADECAdpcm decoder;
  ASSERT_EQ(decoder.Open(), 1);
  std::vector<uint8_t> block = ImaBlock(2);
  block[2] = 89;
  EXPECT_EQ(Decode(decoder, Frame(block)).count, 0);
  block[2] = 88;
  EXPECT_EQ(Decode(decoder, Frame(block)).count, 321);
}

TEST(VoiceLibrary, G726RatesFromLength) {
  for (size_t size : {80u, 120u, 160u, 200u}) {
    CADECG726 decoder;
    ASSERT_EQ(decoder.Open(), 1);
    const Decoded decoded = Decode(decoder, Frame(Pattern(size, 3)));
    EXPECT_EQ(decoded.result, 1) << size;
    EXPECT_EQ(decoded.count, 320) << size;
  }
  for (size_t size : {0u, 2u, 78u, 82u, 164u, 198u, 202u, 320u}) {
    CADECG726 decoder;
    ASSERT_EQ(decoder.Open(), 1);
    EXPECT_EQ(Decode(decoder, Frame(Pattern(size, 3))).count, 0) << size;
  }
}

struct HeaderCase {
  uint8_t id;
  size_t data_size;
};

class HeaderValidation : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(HeaderValidation, WrongHeaderOrLengthDecodesNothing) {
  const HeaderCase c = GetParam();
  auto decoder = CreateAudioDecoder(c.id);
  ASSERT_EQ(decoder->Open(), 1);
  std::vector<uint8_t> data = c.id == 4 ? ImaBlock(5) : Pattern(c.data_size, 5);
  const std::vector<uint8_t> good = Frame(data);
  EXPECT_EQ(Decode(*decoder, good).result, 1);

  for (size_t byte = 0; byte < 4; ++byte) {
    std::vector<uint8_t> bad = good;
    bad[byte] ^= 0x40;
    const Decoded decoded = Decode(*decoder, bad);
    EXPECT_EQ(decoded.result, 0) << byte;
    EXPECT_EQ(decoded.count, 0) << byte;
  }
  // A frame two bytes longer or shorter than its header claims.
  std::vector<uint8_t> longer = good;
  longer.insert(longer.end(), {0, 0});
  EXPECT_EQ(Decode(*decoder, longer).count, 0);
  std::vector<uint8_t> shorter(good.begin(), good.end() - 2);
  EXPECT_EQ(Decode(*decoder, shorter).count, 0);
  // Header consistent but the codec data a size the codec cannot have.
  EXPECT_EQ(Decode(*decoder, Frame(Pattern(c.data_size + 2, 6))).count, 0);
  for (size_t size : {0u, 1u, 2u, 3u}) {
    EXPECT_EQ(Decode(*decoder, std::vector<uint8_t>(good.begin(), good.begin() + size)).count,
              0);
  }
}

INSTANTIATE_TEST_SUITE_P(Codecs, HeaderValidation,
                         ::testing::Values(HeaderCase{1, 160}, HeaderCase{2, 320},
                                           HeaderCase{3, 320}, HeaderCase{4, 164}));

// The decoder state runs on across frames: two frames decoded in one
// stream differ from the second decoded alone, and decoding resumes exactly
// where a copy of the decoder left off.
TEST(G726State, CarriesAcrossFrames) {
  for (size_t size : {80u, 120u, 160u, 200u}) {
    const std::vector<uint8_t> first = Frame(Pattern(size, 7));
    const std::vector<uint8_t> second = Frame(Pattern(size, 8));

    CADECG726 stream;
    ASSERT_EQ(stream.Open(), 1);
    ASSERT_EQ(Decode(stream, first).count, 320);
    CADECG726 copy = stream;
    const Decoded continued = Decode(stream, second);
    EXPECT_EQ(Decode(copy, second).samples, continued.samples) << size;

    CADECG726 fresh;
    ASSERT_EQ(fresh.Open(), 1);
    EXPECT_NE(Decode(fresh, second).samples, continued.samples) << size;

    // Open starts the stream over.
    CADECG726 again;
    ASSERT_EQ(again.Open(), 1);
    ASSERT_EQ(stream.Open(), 1);
    EXPECT_EQ(Decode(stream, second).samples, Decode(again, second).samples) << size;
  }
}

// Silence at 32 kbit/s: alternating codes 0 and 15 (+0 and -0) keep the
// output at zero once the scale factor has settled at its minimum.
TEST(G726State, ZeroCodesGiveSilence) {
  CADECG726 decoder;
  ASSERT_EQ(decoder.Open(), 1);
  const Decoded decoded = Decode(decoder, Frame(std::vector<uint8_t>(160, 0xF0)));
  ASSERT_EQ(decoded.count, 320);
  for (int16_t sample : decoded.samples) EXPECT_EQ(sample, 0);
}

bool SameState(const voice::G726State& x, const voice::G726State& y) {
  return x.yl == y.yl && x.yu == y.yu && x.dms == y.dms && x.dml == y.dml && x.ap == y.ap &&
         std::equal(std::begin(x.a), std::end(x.a), std::begin(y.a)) &&
         std::equal(std::begin(x.b), std::end(x.b), std::begin(y.b)) &&
         std::equal(std::begin(x.dq), std::end(x.dq), std::begin(y.dq)) &&
         std::equal(std::begin(x.sr), std::end(x.sr), std::begin(y.sr)) &&
         std::equal(std::begin(x.pk), std::end(x.pk), std::begin(y.pk)) && x.td == y.td;
}

// The AVX2 build gives the plain build's samples and state, frame after
// frame, at every rate: on varied codes, on runs of the largest codes that
// overload the predictor and on runs of silence that let it leak away.
TEST(G726Builds, VectorMatchesPlain) {
  std::vector<uint8_t> codes = Pattern(60000, 11);
  codes.insert(codes.end(), 4000, 0xFF);
  codes.insert(codes.end(), 4000, 0x00);
  codes.insert(codes.end(), 4000, 0x77);
  const std::vector<uint8_t> more = Pattern(20000, 12);
  codes.insert(codes.end(), more.begin(), more.end());
  for (int bits = 2; bits <= 5; ++bits) {
    voice::G726State plain;
    voice::G726State vector;
    voice::ResetG726(plain);
    voice::ResetG726(vector);
    const size_t frame_bytes = 40 * static_cast<size_t>(bits);  // 320 samples
    std::vector<int16_t> expected(320);
    std::vector<int16_t> actual(320);
    for (size_t at = 0; at + frame_bytes <= codes.size(); at += frame_bytes) {
      voice::DecodeG726Plain(plain, bits, codes.data() + at, 320, expected.data());
      if (!voice::DecodeG726Avx2(vector, bits, codes.data() + at, 320, actual.data()))
        GTEST_SKIP() << "no AVX2 on this processor";
      ASSERT_EQ(actual, expected) << "bits " << bits << " byte " << at;
      ASSERT_TRUE(SameState(vector, plain)) << "bits " << bits << " byte " << at;
    }
  }
}

}  // namespace
}  // namespace brisca
