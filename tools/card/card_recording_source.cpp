#include "tools/card/card_recording_source.h"

#include <sstream>
#include <string>

#include "brisca/stream/stream_frame.h"
#include "tools/sample/sample_generator.h"
#include "tools/sample/voice_encoder.h"

namespace brisca::tools::card {

CardRecordingFrames GenerateCardRecording(const sample::SampleOptions& options) {
  sample::SampleOptions clean = options;
  clean.noise_every = 0;
  clean.tear_every = 0;
  clean.truncate_end = false;
  std::ostringstream stream;
  sample::GenerateSample(clean, stream, nullptr);
  const std::string bytes = stream.str();
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());

  CardRecordingFrames frames;
  frames.frame_rate = options.fps;
  if (options.voice != sample::VoiceCodec::kNone) frames.audio_codec = sample::VoiceCodecId(options.voice);
  size_t position = 0;
  while (position < bytes.size()) {
    StreamFrame frame;
    const ScanResult scan = ScanForFrame(data + position, bytes.size() - position, frame);
    if (scan.match != FrameMatch::kFrame) break;
    CardFrame out;
    out.timestamp_us = frame.timestamp * 1000;
    out.key = frame.IsKey();
    out.data.assign(frame.payload, frame.payload + frame.payload_length);
    if (frame.IsVideo()) {
      frames.video.push_back(std::move(out));
    } else {
      frames.audio.push_back(std::move(out));
    }
    position += scan.offset + frame.total_size;
  }
  return frames;
}

}  // namespace brisca::tools::card
