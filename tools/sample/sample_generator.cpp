#include "tools/sample/sample_generator.h"

#include <array>
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "brisca/stream/stream_frame.h"
#include "tools/sample/gps_route.h"
#include "tools/sample/media_offsets.h"
#include "tools/sample/picture_painter.h"
#include "tools/sample/recording_clock.h"
#include "tools/sample/stream_writer.h"
#include "tools/sample/truth_listing.h"
#include "tools/sample/video_encoder.h"
#include "tools/sample/voice_encoder.h"
#include "tools/sample/voice_signal.h"

namespace brisca::tools::sample {
namespace {

constexpr uint8_t kVoiceBitsPerSample = 16;

VideoSettings VideoSettingsFor(const SampleOptions& options) {
  return {options.width, options.height, options.fps,
          static_cast<int>(options.keyint)};
}

RouteSettings RouteSettingsFor(const SampleOptions& options) {
  return {options.route, options.north_south, options.east_west, options.seed,
          options.gps_loss, options.duration_seconds};
}

DamageSettings DamageSettingsFor(const SampleOptions& options) {
  return {options.noise_every, options.tear_every, options.truncate_end,
          options.seed};
}

class SampleGenerator {
 public:
  SampleGenerator(const SampleOptions& options, std::ostream& stream,
                  std::ostream* truth)
      : options_(options),
        clock_(options.start),
        video_(VideoSettingsFor(options)),
        route_(RouteSettingsFor(options)),
        output_(stream, truth, DamageSettingsFor(options)),
        video_total_(uint64_t{options.duration_seconds} * options.fps) {
    if (options.voice != VoiceCodec::kNone) {
      voice_ = CreateVoiceEncoder(options.voice, signal_);
      audio_total_ = uint64_t{options.duration_seconds} * kVoiceSampleRate /
                     voice_->SamplesPerFrame();
    }
  }

  SampleSummary Run();

 private:
  // Milliseconds from the start of the recording, rounded to the nearest.
  uint64_t VideoOffset(uint64_t index) const { return PictureOffsetMs(index, options_.fps); }
  uint64_t AudioOffset(uint64_t frame) const {
    return VoiceFrameOffsetMs(frame, voice_->SamplesPerFrame());
  }
  // The first picture at or after each whole second carries the GPS fix.
  bool CarriesGps(uint64_t index) const {
    return index == 0 || VideoOffset(index) / 1000 != VideoOffset(index - 1) / 1000;
  }

  void EncodeUntilReady();
  void WriteVideo(const EncodedPicture& picture);
  void WriteAudio();
  GpsReading ReadingForSecond(uint64_t second);
  std::optional<AudioFormat> AudioFormatItem() const;

  const SampleOptions& options_;
  RecordingClock clock_;
  PicturePainter painter_;
  VideoEncoder video_;
  VoiceSignal signal_;
  std::unique_ptr<VoiceEncoder> voice_;
  GpsRoute route_;
  StreamOutput output_;
  std::deque<EncodedPicture> ready_;
  uint64_t video_total_;
  uint64_t video_painted_ = 0;
  bool video_flushed_ = false;
  uint64_t audio_total_ = 0;
  uint64_t audio_written_ = 0;
  uint64_t next_gps_second_ = 0;
  GpsReading reading_;
  SampleSummary summary_;
};

SampleSummary SampleGenerator::Run() {
  for (;;) {
    EncodeUntilReady();
    const bool video = !ready_.empty();
    const bool audio = audio_written_ < audio_total_;
    if (!video && !audio) break;
    // Frames go out in timestamp order, video first on equal timestamps.
    if (video && (!audio || VideoOffset(ready_.front().index) <=
                                AudioOffset(audio_written_))) {
      WriteVideo(ready_.front());
      ready_.pop_front();
    } else {
      WriteAudio();
    }
  }
  output_.Finish();
  summary_.start_text = FormatWallClock(clock_.WallClockAt(0));
  summary_.end_text =
      FormatWallClock(clock_.WallClockAt(uint64_t{options_.duration_seconds} * 1000));
  summary_.output = output_.counts();
  return summary_;
}

// Paints and encodes pictures until an access unit is ready or none is left.
void SampleGenerator::EncodeUntilReady() {
  while (ready_.empty() && !video_flushed_) {
    if (video_painted_ == video_total_) {
      video_.Flush(ready_);
      video_flushed_ = true;
      return;
    }
    const uint64_t offset = VideoOffset(video_painted_);
    const std::array<std::string, 3> lines{
        "CH " + std::to_string(options_.channel), clock_.DateText(offset),
        clock_.TimeText(offset)};
    painter_.Paint(video_.NextPicture(), video_painted_, lines);
    video_.Encode(ready_);
    ++video_painted_;
  }
}

void SampleGenerator::WriteVideo(const EncodedPicture& picture) {
  const uint64_t offset = VideoOffset(picture.index);
  FrameContent content;
  content.stream_byte = options_.channel;
  content.type = picture.key ? kTypeVideoKey : kTypeVideoPredicted;
  content.timestamp = clock_.Timestamp(offset);
  content.payload = picture.data;
  if (picture.key) {
    content.video_format =
        VideoFormat{options_.width, options_.height, options_.fps};
    content.audio_format = AudioFormatItem();
  }
  if (CarriesGps(picture.index)) {
    content.gps = ReadingForSecond(offset / 1000);
    ++summary_.gps_fixes;
  }
  // Frames with a GPS fix carry the clock too, so that their telemetry
  // records are dated.
  if (picture.key || content.gps) content.clock = clock_.WallClockAt(offset);

  std::string truth = TruthLine(
      picture.key ? FRAME_VIDEO_KEY : FRAME_VIDEO_PREDICTED, content.timestamp,
      content.payload);
  if (content.gps) {
    truth += TruthLine(content.timestamp, MakeInfoRecord(content.clock, *content.gps));
  }
  output_.Put(SerializeFrame(content), std::move(truth));
  ++summary_.video_frames;
  if (picture.key) ++summary_.key_frames;
}

void SampleGenerator::WriteAudio() {
  const std::vector<uint8_t> payload = VoicePayload(voice_->NextFrame());
  FrameContent content;
  content.stream_byte = options_.channel;
  content.type = kTypeAudio;
  content.timestamp = clock_.Timestamp(AudioOffset(audio_written_));
  content.payload = payload;
  output_.Put(SerializeFrame(content),
              TruthLine(FRAME_AUDIO, content.timestamp, payload));
  ++audio_written_;
  ++summary_.audio_frames;
  summary_.voice_samples += voice_->SamplesPerFrame();
}

// Readings come from the route one second after the other.
GpsReading SampleGenerator::ReadingForSecond(uint64_t second) {
  while (next_gps_second_ <= second) {
    reading_ = route_.Next();
    ++next_gps_second_;
  }
  return reading_;
}

std::optional<AudioFormat> SampleGenerator::AudioFormatItem() const {
  if (!voice_) return std::nullopt;
  AudioFormat format;
  format.codec = VoiceCodecId(options_.voice);
  format.channels = 1;
  format.bits_per_sample = kVoiceBitsPerSample;
  format.sample_rate = kVoiceSampleRate;
  return format;
}

}  // namespace

SampleSummary GenerateSample(const SampleOptions& options, std::ostream& stream,
                             std::ostream* truth) {
  SampleGenerator generator(options, stream, truth);
  return generator.Run();
}

}  // namespace brisca::tools::sample
