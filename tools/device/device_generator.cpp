#include "tools/device/device_generator.h"

#include <array>
#include <deque>
#include <memory>
#include <vector>

#include "tools/device/device_file_writer.h"
#include "tools/device/device_telemetry.h"
#include "tools/sample/media_offsets.h"
#include "tools/sample/picture_painter.h"
#include "tools/sample/recording_clock.h"
#include "tools/sample/video_encoder.h"
#include "tools/sample/voice_encoder.h"
#include "tools/sample/voice_signal.h"

namespace brisca::tools::device {
namespace {

using sample::EncodedPicture;

class DeviceGenerator {
 public:
  DeviceGenerator(const DeviceOptions& options, std::ostream& out)
      : options_(options),
        stream_(options.stream),
        clock_(stream_.start),
        video_({stream_.width, stream_.height, stream_.fps, static_cast<int>(stream_.keyint)}),
        telemetry_({stream_.route, stream_.north_south, stream_.east_west, stream_.seed,
                    stream_.gps_loss, stream_.duration_seconds},
                   clock_),
        writer_(out),
        video_total_(uint64_t{stream_.duration_seconds} * stream_.fps) {
    if (options.reuse_video_seconds != 0) {
      // Whole groups of pictures, so that the repeats start on a key frame.
      const uint64_t pictures = uint64_t{options.reuse_video_seconds} * stream_.fps;
      encode_total_ = std::min(video_total_, (pictures + stream_.keyint - 1) / stream_.keyint *
                                                 stream_.keyint);
    } else {
      encode_total_ = video_total_;
    }
    if (stream_.voice != sample::VoiceCodec::kNone) {
      voice_ = sample::CreateVoiceEncoder(stream_.voice, signal_);
      audio_total_ =
          uint64_t{stream_.duration_seconds} * sample::kVoiceSampleRate / voice_->SamplesPerFrame();
    }
  }

  DeviceSummary Run();

 private:
  uint64_t VideoOffset(uint64_t index) const { return sample::PictureOffsetMs(index, stream_.fps); }
  uint64_t AudioOffset(uint64_t frame) const {
    return sample::VoiceFrameOffsetMs(frame, voice_->SamplesPerFrame());
  }
  // Key frames carry telemetry, and the first picture of each 1/rate
  // second period.
  bool CarriesInfo(uint64_t index, bool key) const {
    if (options_.no_info) return false;
    if (key || index == 0) return true;
    if (options_.info_rate == 0) return false;
    const auto period = [&](uint64_t i) { return VideoOffset(i) * options_.info_rate / 1000; };
    return period(index) != period(index - 1);
  }
  const EncodedPicture* NextPicture();
  void WriteVideo(const EncodedPicture& picture, uint64_t index);
  void WriteAudio();

  const DeviceOptions& options_;
  const sample::SampleOptions& stream_;
  sample::RecordingClock clock_;
  sample::PicturePainter painter_;
  sample::VideoEncoder video_;
  sample::VoiceSignal signal_;
  std::unique_ptr<sample::VoiceEncoder> voice_;
  DeviceTelemetry telemetry_;
  DeviceFileWriter writer_;
  std::deque<EncodedPicture> ready_;
  std::vector<EncodedPicture> kept_;  // the encoded pictures that repeat
  uint64_t video_total_;
  uint64_t encode_total_ = 0;
  uint64_t painted_ = 0;
  bool flushed_ = false;
  uint64_t video_written_ = 0;
  uint64_t audio_total_ = 0;
  uint64_t audio_written_ = 0;
  DeviceSummary summary_;
};

// The picture to write as number `video_written_`: freshly encoded, or a
// repeat of a kept one. Null when the encoder has nothing more.
const EncodedPicture* DeviceGenerator::NextPicture() {
  if (video_written_ >= encode_total_) return &kept_[video_written_ % kept_.size()];
  while (ready_.empty() && !flushed_) {
    if (painted_ == encode_total_) {
      video_.Flush(ready_);
      flushed_ = true;
      break;
    }
    const uint64_t offset = VideoOffset(painted_);
    const std::array<std::string, 3> lines{"CH " + std::to_string(stream_.channel),
                                           clock_.DateText(offset), clock_.TimeText(offset)};
    painter_.Paint(video_.NextPicture(), painted_, lines);
    video_.Encode(ready_);
    ++painted_;
  }
  if (ready_.empty()) return nullptr;
  if (encode_total_ < video_total_) kept_.push_back(ready_.front());
  return &ready_.front();
}

DeviceSummary DeviceGenerator::Run() {
  for (;;) {
    const bool video = video_written_ < video_total_;
    const bool audio = audio_written_ < audio_total_;
    if (!video && !audio) break;
    // Chunks go out in timestamp order, video first on equal timestamps.
    if (video && (!audio || VideoOffset(video_written_) <= AudioOffset(audio_written_))) {
      const EncodedPicture* picture = NextPicture();
      if (!picture) {
        video_total_ = video_written_;
        continue;
      }
      WriteVideo(*picture, video_written_);
      if (video_written_ < encode_total_ && !ready_.empty()) ready_.pop_front();
      ++video_written_;
    } else {
      WriteAudio();
    }
  }
  const uint64_t end_offset = uint64_t{stream_.duration_seconds} * 1000;
  DeviceHeaderFields fields;
  fields.start = clock_.WallClockAt(0);
  fields.end = clock_.WallClockAt(end_offset);
  fields.record_type = static_cast<uint8_t>(stream_.record_type);
  fields.audio_type = voice_ ? options_.audio_type : 0;
  fields.device_type = options_.device_type;
  fields.channel = stream_.channel;
  fields.texts = options_.texts;
  fields.write_data_end = options_.data_end;
  writer_.Finish(fields);
  summary_.start_text = sample::FormatWallClock(fields.start);
  summary_.end_text = sample::FormatWallClock(fields.end);
  summary_.bytes = writer_.bytes();
  return summary_;
}

void DeviceGenerator::WriteVideo(const EncodedPicture& picture, uint64_t index) {
  const uint64_t offset = VideoOffset(index);
  std::optional<InfoRecord> info;
  if (CarriesInfo(index, picture.key)) {
    info = telemetry_.At(offset);
    ++summary_.info_blocks;
    if (info->fix_status == 'A') ++summary_.fixes;
  }
  writer_.PutVideo(stream_.channel, picture.key, clock_.Timestamp(offset) * 1000, info,
                   picture.data);
  ++summary_.video_chunks;
  if (picture.key) ++summary_.key_chunks;
}

void DeviceGenerator::WriteAudio() {
  const std::vector<uint8_t> payload = sample::VoicePayload(voice_->NextFrame());
  writer_.PutAudio(stream_.channel, options_.audio_type, payload);
  ++audio_written_;
  ++summary_.audio_chunks;
}

}  // namespace

DeviceSummary GenerateDevice(const DeviceOptions& options, std::ostream& out) {
  DeviceGenerator generator(options, out);
  return generator.Run();
}

}  // namespace brisca::tools::device
