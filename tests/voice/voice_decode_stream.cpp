// Test helper over a generated recording's voice frames.
//
//   voice_decode_stream pcm STREAM OUT
//     decodes every audio frame with the decoder CreateAudioDecoder picks for
//     the stream's audio codec and writes the PCM as 16-bit little-endian.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "brisca/decode/cadec_factory.h"
#include "brisca/recordings/frame_pool.h"
#include "brisca/stream/stream_frame_reader.h"
#include "platform/lib_VoiceEngine_dll/lib_VoiceEngine_dll.h"

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

struct AudioFrame {
  uint8_t codec;
  std::vector<uint8_t> bytes;
};

// Audio frames of the stream with the codec identifier in force for each.
bool ReadAudioFrames(const char* path, std::vector<AudioFrame>& frames) {
  File in(std::fopen(path, "rb"));
  if (!in) return false;
  brisca::StreamFrameReader reader([&](uint8_t* buffer, size_t capacity) -> int64_t {
    const size_t count = std::fread(buffer, 1, capacity, in.get());
    return count == 0 && std::ferror(in.get()) ? -1 : static_cast<int64_t>(count);
  });
  brisca::FramePool pool;
  uint8_t codec = 0;
  bool have_codec = false;
  for (;;) {
    brisca::RecFrame* frame = nullptr;
    brisca::RecFrame* info = nullptr;
    const auto status = reader.Next(pool, &frame, &info);
    if (status == brisca::StreamFrameReader::Status::kEnd) return have_codec;
    if (status != brisca::StreamFrameReader::Status::kFrame) return false;
    const brisca::StreamFrame& parsed = reader.last_frame();
    if (parsed.has_audio_format) {
      codec = parsed.audio_format.codec;
      have_codec = true;
    }
    if (frame->kind == brisca::FRAME_AUDIO && have_codec) {
      frames.push_back({codec, std::vector<uint8_t>(frame->data, frame->data + frame->length)});
    }
    pool.Release(frame);
    pool.Release(info);
  }
}

bool WriteSamples(const int16_t* samples, size_t count, std::FILE* out) {
  for (size_t i = 0; i < count; ++i) {
    const auto sample = static_cast<uint16_t>(samples[i]);
    const uint8_t bytes[2] = {static_cast<uint8_t>(sample), static_cast<uint8_t>(sample >> 8)};
    if (std::fwrite(bytes, 1, 2, out) != 2) return false;
  }
  return true;
}

int WriteRawG726Pcm(int bits, std::FILE* in, std::FILE* out) {
  if (bits < 2 || bits > 5) return 2;
  const size_t data_size = 40 * static_cast<size_t>(bits);  // 320 codes
  alignas(8) unsigned char state[128] = {};
  if (HI_VOICE_DecReset(state, HI_VOICE_CODEC_G726) != 0) return 1;
  std::vector<unsigned char> frame(4 + data_size);
  frame[0] = 0x00;
  frame[1] = 0x01;
  frame[2] = static_cast<unsigned char>(data_size / 2);
  frame[3] = 0x00;
  short pcm[HI_VOICE_MAX_FRAME_SAMPLES];
  while (std::fread(frame.data() + 4, 1, data_size, in) == data_size) {
    auto count = static_cast<unsigned short>(frame.size() / 2);
    if (HI_VOICE_DecodeFrame(state, frame.data(), pcm, &count) != 0) return 1;
    if (!WriteSamples(pcm, count, out)) return 1;
  }
  return std::ferror(in) ? 1 : 0;
}

int WritePcm(const std::vector<AudioFrame>& frames, std::FILE* out) {
  std::unique_ptr<brisca::CADEC> decoder;
  uint8_t codec = 0;
  for (const AudioFrame& frame : frames) {
    if (!decoder || frame.codec != codec) {
      codec = frame.codec;
      decoder = brisca::CreateAudioDecoder(codec);
      if (!decoder->Open()) return 1;
    }
    std::vector<int16_t> pcm(decoder->OutputBufferSize() / 2);
    uint16_t count = static_cast<uint16_t>(frame.bytes.size() / 2);
    if (!decoder->Decode(frame.bytes.data(), pcm.data(), &count)) {
      std::fprintf(stderr, "voice_decode_stream: a frame of %zu bytes was rejected\n",
                   frame.bytes.size());
      return 1;
    }
    if (!WriteSamples(pcm.data(), count, out)) return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "g726") == 0) {
    File in(std::fopen(argv[3], "rb"));
    File out(std::fopen(argv[4], "wb"));
    if (!in || !out) return 1;
    const int result = WriteRawG726Pcm(std::atoi(argv[2]), in.get(), out.get());
    return std::fflush(out.get()) == 0 ? result : 1;
  }
  if (argc != 4 || std::strcmp(argv[1], "pcm") != 0) {
    std::fprintf(stderr, "usage: voice_decode_stream pcm STREAM OUT\n"
                         "       voice_decode_stream g726 BITS RAW OUT\n");
    return 2;
  }
  std::vector<AudioFrame> frames;
  if (!ReadAudioFrames(argv[2], frames)) {
    std::fprintf(stderr, "voice_decode_stream: cannot read audio frames of %s\n", argv[2]);
    return 1;
  }
  File out(std::fopen(argv[3], "wb"));
  if (!out) return 1;
  const int result = WritePcm(frames, out.get());
  return std::fflush(out.get()) == 0 ? result : 1;
}
