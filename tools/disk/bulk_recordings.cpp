#include "tools/disk/bulk_recordings.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <sstream>
#include <vector>

#include "brisca/stream/stream_frame.h"
#include "tools/sample/recording_clock.h"
#include "tools/sample/sample_generator.h"
#include "tools/sample/stream_writer.h"

namespace brisca::tools::disk {
namespace {

using namespace std::chrono;

constexpr uint32_t kFramesPerRecording = 3;  // one key frame per second
constexpr std::array<uint8_t, 8> kGroupTypes = {0x08, 0x08, 0x20, 0x10, 0x40, 0x28, 0x48, 0x18};

struct KeyPicture {
  VideoFormat format;
  std::vector<uint8_t> payload;
};

// The first key frame of a generated one-second recording.
bool EncodeKeyPicture(uint64_t seed, KeyPicture& out, std::string& error) {
  sample::SampleOptions options;
  options.start = local_days{year{2026} / January / 1};
  options.duration_seconds = 1;
  options.width = 64;
  options.height = 64;
  options.fps = 1;
  options.keyint = 1;
  options.voice = sample::VoiceCodec::kNone;
  options.seed = seed;
  std::ostringstream stream;
  sample::GenerateSample(options, stream, nullptr);
  const std::string bytes = stream.str();
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  for (size_t position = 0; position < bytes.size();) {
    StreamFrame frame;
    const ScanResult scan = ScanForFrame(data + position, bytes.size() - position, frame);
    if (scan.match != FrameMatch::kFrame) break;
    if (frame.IsVideo() && frame.IsKey() && frame.has_video_format) {
      out.format = frame.video_format;
      out.payload.assign(frame.payload, frame.payload + frame.payload_length);
      return true;
    }
    position += scan.offset + frame.total_size;
  }
  error = "the generator gave no key frame";
  return false;
}

struct BulkRecording {
  uint8_t channel = 0;  // 0-based
  local_seconds start;
};

// The stream of one recording; `key_offsets` receives where its frames start.
std::vector<uint8_t> SerializeRecording(const KeyPicture& picture, const BulkRecording& recording,
                                        std::vector<uint64_t>* key_offsets) {
  const sample::RecordingClock clock(recording.start);
  std::vector<uint8_t> bytes;
  for (uint32_t i = 0; i < kFramesPerRecording; ++i) {
    sample::FrameContent content;
    content.stream_byte = static_cast<uint8_t>(recording.channel + 1);
    content.type = kTypeVideoKey;
    content.timestamp = clock.Timestamp(i * 1000ull);
    content.video_format = picture.format;
    content.clock = clock.WallClockAt(i * 1000ull);
    content.payload = picture.payload;
    const std::vector<uint8_t> frame = sample::SerializeFrame(content);
    if (key_offsets) key_offsets->push_back(bytes.size());
    bytes.insert(bytes.end(), frame.begin(), frame.end());
  }
  return bytes;
}

tvfs::TimeOfDay TimeOf(local_seconds when) {
  return tvfs::TimeOfDay::FromSeconds(
      static_cast<uint32_t>((when - floor<days>(when)).count()));
}

}  // namespace

bool AddBulkRecordings(tvfs::DiskImageWriter& writer, uint32_t count, year_month_day last_day,
                       uint64_t seed, std::string& error) {
  if (count == 0 || count > kMaxBulkRecordings || !last_day.ok() ||
      last_day.year() > year{2255}) {
    error = "bad recording count or date";
    return false;
  }
  const uint32_t per_day = kBulkChannels * kBulkGroupsPerDay;
  const uint32_t day_count = (count + per_day - 1) / per_day;
  const local_days first_day = local_days{last_day} - days{day_count - 1};
  if (year_month_day{first_day}.year() < year{2000}) {
    error = "the recordings would start before 2000";
    return false;
  }
  // Shared by every recording's data reader; the stream is serialised again
  // when the image is written, so nothing but the picture stays in memory.
  auto picture = std::make_shared<KeyPicture>();
  if (!EncodeKeyPicture(seed, *picture, error)) return false;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t group = i / kBulkChannels;
    const uint32_t day = group / kBulkGroupsPerDay;
    const BulkRecording recording{
        static_cast<uint8_t>(i % kBulkChannels),
        local_seconds{first_day + days{day}} + seconds{60 + (group % kBulkGroupsPerDay) * 180}};
    std::vector<uint64_t> offsets;
    const std::vector<uint8_t> bytes = SerializeRecording(*picture, recording, &offsets);
    const year_month_day date{floor<days>(recording.start)};
    tvfs::SegmentDescription segment;
    segment.channel = recording.channel;
    segment.record_type = kGroupTypes[group % kGroupTypes.size()];
    segment.date = {static_cast<uint8_t>(static_cast<int>(date.year()) - 2000),
                    static_cast<uint8_t>(static_cast<unsigned>(date.month())),
                    static_cast<uint8_t>(static_cast<unsigned>(date.day()))};
    segment.start = TimeOf(recording.start);
    segment.end = TimeOf(recording.start + seconds{kFramesPerRecording - 1});
    for (uint32_t s = 0; s < offsets.size(); ++s) {
      segment.time_index.push_back({offsets[s], segment.start.Seconds() + s});
    }
    segment.data_size = bytes.size();
    segment.read_data = [picture, recording](uint64_t offset, uint8_t* out, size_t length) {
      const std::vector<uint8_t> data = SerializeRecording(*picture, recording, nullptr);
      if (offset > data.size() || length > data.size() - offset) return false;
      std::memcpy(out, data.data() + offset, length);
      return true;
    };
    if (!writer.AddSegment(std::move(segment), error)) return false;
  }
  return true;
}

}  // namespace brisca::tools::disk
