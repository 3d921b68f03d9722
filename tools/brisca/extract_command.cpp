// `brisca extract FILE VIDEO AUDIO`: writes the delivered video payloads as
// one H.264 byte stream and the audio frames' codec data as one file, so
// that other tools can decode them. Audio is written raw for G.711 and
// G.726 and as a WAV file for IMA ADPCM, whose blocks need the container's
// block size to be decoded.
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "tools/brisca/commands.h"
#include "tools/brisca/stream_file.h"
#include "tools/brisca/wav_header.h"

namespace brisca::tools {
namespace {

constexpr size_t kVoiceHeaderSize = 4;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using OutFile = std::unique_ptr<std::FILE, FileCloser>;

const char* CodecLabel(const AudioFormat& format, size_t block_size) {
  switch (format.codec) {
    case 1:
      switch (block_size) {
        case 80: return "g726-16";
        case 120: return "g726-24";
        case 160: return "g726-32";
        case 200: return "g726-40";
        default: return "g726-unknown";
      }
    case 2: return "alaw";
    case 3: return "ulaw";
    default: return "ima";
  }
}

bool Write(std::FILE* out, const uint8_t* data, size_t size) {
  return size == 0 || std::fwrite(data, 1, size, out) == size;
}

}  // namespace

int RunExtractCommand(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: brisca extract FILE VIDEO.h264 AUDIO\n");
    return 2;
  }
  StreamFile stream(argv[0]);
  OutFile video(std::fopen(argv[1], "wb"));
  if (!stream.ok() || !video) {
    std::fprintf(stderr, "brisca extract: cannot open %s or %s\n", argv[0], argv[1]);
    return 1;
  }
  std::vector<uint8_t> audio;
  AudioFormat format{};
  size_t block_size = 0;
  size_t video_frames = 0;
  size_t audio_frames = 0;
  bool video_written = true;
  const bool complete = stream.ForEachFrame([&](const RecFrame& frame, const RecFrame*) {
    const StreamFrame& parsed = stream.reader().last_frame();
    if (parsed.has_audio_format) format = parsed.audio_format;
    if (frame.kind != FRAME_AUDIO) {
      video_written = video_written && Write(video.get(), frame.data, frame.length);
      ++video_frames;
    } else if (frame.length > kVoiceHeaderSize) {
      block_size = frame.length - kVoiceHeaderSize;
      audio.insert(audio.end(), frame.data + kVoiceHeaderSize, frame.data + frame.length);
      ++audio_frames;
    }
  });
  if (!complete || !video_written) {
    std::fprintf(stderr, "brisca extract: cannot read %s or write %s\n", argv[0], argv[1]);
    return 1;
  }

  OutFile audio_out(std::fopen(argv[2], "wb"));
  if (!audio_out) {
    std::fprintf(stderr, "brisca extract: cannot open %s\n", argv[2]);
    return 1;
  }
  const char* codec = CodecLabel(format, block_size);
  bool written = true;
  if (std::strcmp(codec, "ima") == 0 && block_size) {
    const std::vector<uint8_t> header = ImaAdpcmWavHeader(audio.size(), block_size);
    written = Write(audio_out.get(), header.data(), header.size());
  }
  written = written && Write(audio_out.get(), audio.data(), audio.size());
  if (!written || std::fflush(video.get()) != 0) {
    std::fprintf(stderr, "brisca extract: write failed\n");
    return 1;
  }
  std::printf("video %zu frames\naudio %zu frames %s\n", video_frames, audio_frames,
              audio_frames ? codec : "none");
  return 0;
}

}  // namespace brisca::tools
