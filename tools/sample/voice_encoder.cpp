#include "tools/sample/voice_encoder.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "tools/sample/ima_adpcm_encoder.h"
#include "tools/sample/libav_support.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace brisca::tools::sample {
namespace {

constexpr uint32_t kFrameSamples = 320;

// G.711 and G.726 through libavcodec. G.726 is one continuous stateful
// stream whose encoder takes large fixed-size frames, so the encoded bytes
// are collected and cut into 320-sample pieces (always whole bytes).
class LibavVoiceEncoder final : public VoiceEncoder {
 public:
  LibavVoiceEncoder(const char* encoder_name, int bits_per_code,
                    const VoiceSignal& signal);

  uint32_t SamplesPerFrame() const override { return kFrameSamples; }
  std::vector<uint8_t> NextFrame() override;

 private:
  void EncodeChunk();

  const VoiceSignal& signal_;
  CodecContextPtr context_;
  FramePtr frame_;
  PacketPtr packet_;
  size_t frame_bytes_;     // codec bytes of one 320-sample frame
  int chunk_samples_ = 0;  // samples handed to the encoder at a time
  uint64_t next_sample_ = 0;
  std::vector<uint8_t> encoded_;  // bytes not yet handed out
};

LibavVoiceEncoder::LibavVoiceEncoder(const char* encoder_name,
                                     int bits_per_code,
                                     const VoiceSignal& signal)
    : signal_(signal),
      frame_(CheckAlloc(av_frame_alloc(), "audio frame")),
      packet_(CheckAlloc(av_packet_alloc(), "audio packet")),
      frame_bytes_(kFrameSamples * static_cast<size_t>(bits_per_code) / 8) {
  const AVCodec* codec = avcodec_find_encoder_by_name(encoder_name);
  if (codec == nullptr) {
    throw std::runtime_error(std::string("libavcodec has no encoder ") +
                             encoder_name);
  }
  context_.reset(CheckAlloc(avcodec_alloc_context3(codec), "audio encoder"));
  context_->sample_fmt = AV_SAMPLE_FMT_S16;
  context_->sample_rate = kVoiceSampleRate;
  context_->time_base = AVRational{1, kVoiceSampleRate};
  av_channel_layout_default(&context_->ch_layout, 1);
  if (codec->id == AV_CODEC_ID_ADPCM_G726LE) {
    context_->bit_rate = int64_t{bits_per_code} * kVoiceSampleRate;
    CheckAv(av_opt_set_int(context_->priv_data, "code_size", bits_per_code, 0),
            "G.726 code size");
  }
  CheckAv(avcodec_open2(context_.get(), codec, nullptr), "opening the voice encoder");
  chunk_samples_ = context_->frame_size > 0 ? context_->frame_size
                                            : static_cast<int>(kFrameSamples);
}

std::vector<uint8_t> LibavVoiceEncoder::NextFrame() {
  while (encoded_.size() < frame_bytes_) EncodeChunk();
  const auto end = encoded_.begin() + static_cast<std::ptrdiff_t>(frame_bytes_);
  std::vector<uint8_t> data(encoded_.begin(), end);
  encoded_.erase(encoded_.begin(), end);
  return data;
}

// The signal goes on past the recording's end, so the encoder is always fed
// whole chunks and never needs a flush for the frames handed out.
void LibavVoiceEncoder::EncodeChunk() {
  av_frame_unref(frame_.get());
  frame_->format = AV_SAMPLE_FMT_S16;
  frame_->sample_rate = kVoiceSampleRate;
  frame_->nb_samples = chunk_samples_;
  CheckAv(av_channel_layout_copy(&frame_->ch_layout, &context_->ch_layout),
          "audio channel layout");
  CheckAv(av_frame_get_buffer(frame_.get(), 0), "audio frame buffer");
  signal_.Fill(next_sample_, reinterpret_cast<int16_t*>(frame_->data[0]),
               static_cast<size_t>(chunk_samples_));
  frame_->pts = static_cast<int64_t>(next_sample_);
  next_sample_ += static_cast<uint64_t>(chunk_samples_);

  CheckAv(avcodec_send_frame(context_.get(), frame_.get()), "encoding voice");
  for (;;) {
    const int result = avcodec_receive_packet(context_.get(), packet_.get());
    if (IsTryAgain(result)) break;
    CheckAv(result, "encoding voice");
    encoded_.insert(encoded_.end(), packet_->data, packet_->data + packet_->size);
    av_packet_unref(packet_.get());
  }
}

// IMA ADPCM WAV blocks from the project's own encoder.
class ImaVoiceEncoder final : public VoiceEncoder {
 public:
  explicit ImaVoiceEncoder(const VoiceSignal& signal) : signal_(signal) {}

  uint32_t SamplesPerFrame() const override { return kImaBlockSamples; }

  std::vector<uint8_t> NextFrame() override {
    std::array<int16_t, kImaBlockSamples> samples;
    signal_.Fill(next_sample_, samples.data(), samples.size());
    next_sample_ += kImaBlockSamples;
    const auto block = encoder_.EncodeBlock(samples);
    return std::vector<uint8_t>(block.begin(), block.end());
  }

 private:
  const VoiceSignal& signal_;
  ImaAdpcmEncoder encoder_;
  uint64_t next_sample_ = 0;
};

}  // namespace

std::unique_ptr<VoiceEncoder> CreateVoiceEncoder(VoiceCodec codec,
                                                 const VoiceSignal& signal) {
  switch (codec) {
    case VoiceCodec::kALaw:
      return std::make_unique<LibavVoiceEncoder>("pcm_alaw", 8, signal);
    case VoiceCodec::kULaw:
      return std::make_unique<LibavVoiceEncoder>("pcm_mulaw", 8, signal);
    case VoiceCodec::kG726_16:
      return std::make_unique<LibavVoiceEncoder>("g726le", 2, signal);
    case VoiceCodec::kG726_24:
      return std::make_unique<LibavVoiceEncoder>("g726le", 3, signal);
    case VoiceCodec::kG726_32:
      return std::make_unique<LibavVoiceEncoder>("g726le", 4, signal);
    case VoiceCodec::kG726_40:
      return std::make_unique<LibavVoiceEncoder>("g726le", 5, signal);
    case VoiceCodec::kIma:
      return std::make_unique<ImaVoiceEncoder>(signal);
    case VoiceCodec::kNone:
      break;
  }
  throw std::invalid_argument("no voice encoder for codec none");
}

uint8_t VoiceCodecId(VoiceCodec codec) {
  switch (codec) {
    case VoiceCodec::kG726_16:
    case VoiceCodec::kG726_24:
    case VoiceCodec::kG726_32:
    case VoiceCodec::kG726_40:
      return 1;
    case VoiceCodec::kALaw:
      return 2;
    case VoiceCodec::kULaw:
      return 3;
    case VoiceCodec::kIma:
      return 4;
    case VoiceCodec::kNone:
      break;
  }
  return 0;
}

std::vector<uint8_t> VoicePayload(std::span<const uint8_t> codec_data) {
  if (codec_data.size() % 2 != 0 || codec_data.size() / 2 > 0xFF) {
    throw std::length_error("voice frame data does not fit the voice header");
  }
  std::vector<uint8_t> payload(4 + codec_data.size());
  payload[1] = 0x01;
  payload[2] = static_cast<uint8_t>(codec_data.size() / 2);
  std::copy(codec_data.begin(), codec_data.end(), payload.begin() + 4);
  return payload;
}

}  // namespace brisca::tools::sample
