// `brisca summary FILE...`: what a stream file contains, for people.
#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>

#include "brisca/stream/info_record.h"
#include "brisca/stream/plausible_span.h"
#include "tools/brisca/commands.h"
#include "tools/brisca/stream_file.h"

namespace brisca::tools {
namespace {

struct Summary {
  uint64_t frames[4] = {};
  uint64_t payload_bytes = 0;
  uint64_t skipped_bytes = 0;  // noise and torn frames between delivered frames
  uint64_t next_offset = 0;
  std::optional<uint64_t> first_timestamp;
  uint64_t last_timestamp = 0;
  // Damaged timestamps are left out of the duration.
  PlausibleSpan timestamps{kPlausibleGapMs};
  std::optional<VideoFormat> video;
  std::optional<AudioFormat> audio;
  std::optional<WallClock> first_clock;
  std::optional<WallClock> last_clock;
  uint64_t fixes_valid = 0;
  uint16_t max_speed = 0;
  std::optional<InfoRecord> first_fix;
  std::optional<InfoRecord> last_fix;
  bool read_error = false;
};

const char* CodecName(const AudioFormat& format) {
  switch (format.codec) {
    case 1: return "G.726";
    case 2: return "G.711 A-law";
    case 3: return "G.711 u-law";
    default: return "IMA ADPCM";
  }
}

void AddFrame(Summary& s, const StreamFrame& frame, uint64_t offset, const RecFrame& out) {
  s.frames[out.kind]++;
  s.payload_bytes += out.length;
  s.skipped_bytes += offset - s.next_offset;
  s.next_offset = offset + frame.total_size;
  if (frame.has_timestamp) {
    if (!s.first_timestamp) s.first_timestamp = frame.timestamp;
    s.last_timestamp = std::max(s.last_timestamp, frame.timestamp);
    s.timestamps.Add(frame.timestamp);
  }
  if (frame.has_video_format && !s.video) s.video = frame.video_format;
  if (frame.has_audio_format && !s.audio) s.audio = frame.audio_format;
  if (frame.has_clock) {
    if (!s.first_clock) s.first_clock = frame.clock;
    s.last_clock = frame.clock;
  }
}

void AddInfo(Summary& s, const RecFrame& out) {
  s.frames[FRAME_INFO]++;
  InfoRecord info;
  std::memcpy(&info, out.data, sizeof info);
  if (info.fix_status != 'A') return;
  s.fixes_valid++;
  s.max_speed = std::max(s.max_speed, info.speed_kmh);
  if (!s.first_fix) s.first_fix = info;
  s.last_fix = info;
}

Summary Collect(StreamFile& stream) {
  Summary s;
  s.read_error = !stream.ForEachFrame([&](const RecFrame& frame, const RecFrame* info) {
    AddFrame(s, stream.reader().last_frame(), stream.reader().last_frame_offset(), frame);
    if (info) AddInfo(s, *info);
  });
  if (s.timestamps.first()) {
    s.first_timestamp = s.timestamps.first();
    s.last_timestamp = *s.timestamps.highest();
  }
  return s;
}

void PrintClock(const char* label, const std::optional<WallClock>& clock) {
  if (!clock) return;
  std::printf("  %-10s %04u-%02u-%02u %02u:%02u:%02u\n", label, clock->year, clock->month,
              clock->day, clock->hour, clock->minute, clock->second);
}

void PrintFix(const char* label, const std::optional<InfoRecord>& fix) {
  if (!fix) return;
  std::printf("  %-10s %.6f, %.6f heading %.2f speed %u km/h\n", label, fix->LatitudeDegrees(),
              fix->LongitudeDegrees(), fix->HeadingDegrees(), fix->speed_kmh);
}

void Print(const char* path, const Summary& s) {
  std::printf("%s\n", path);
  std::printf("  frames     %" PRIu64 " key, %" PRIu64 " predicted, %" PRIu64 " audio, %" PRIu64
              " telemetry\n",
              s.frames[0], s.frames[1], s.frames[2], s.frames[3]);
  std::printf("  bytes      %" PRIu64 " payload, %" PRIu64 " skipped\n", s.payload_bytes,
              s.skipped_bytes);
  if (s.first_timestamp)
    std::printf("  duration   %.3f s (timestamps %" PRIu64 " to %" PRIu64 ")\n",
                (s.last_timestamp - *s.first_timestamp) / 1000.0, *s.first_timestamp,
                s.last_timestamp);
  if (s.video)
    std::printf("  video      H.264 %ux%u at %u fps\n", s.video->width, s.video->height,
                s.video->frame_rate);
  if (s.audio)
    std::printf("  audio      %s, %u Hz, %u channel(s)\n", CodecName(*s.audio),
                s.audio->sample_rate, s.audio->channels);
  PrintClock("starts", s.first_clock);
  PrintClock("last clock", s.last_clock);
  std::printf("  gps        %" PRIu64 " valid fixes, top speed %u km/h\n", s.fixes_valid,
              s.max_speed);
  PrintFix("first fix", s.first_fix);
  PrintFix("last fix", s.last_fix);
  if (s.read_error) std::printf("  read error before the end of the file\n");
}

}  // namespace

int RunSummaryCommand(int argc, char** argv) {
  if (argc < 1) {
    std::fprintf(stderr, "usage: brisca summary FILE...\n");
    return 2;
  }
  int result = 0;
  for (int i = 0; i < argc; ++i) {
    StreamFile stream(argv[i]);
    if (!stream.ok()) {
      std::fprintf(stderr, "brisca summary: cannot open %s\n", argv[i]);
      result = 1;
      continue;
    }
    const Summary summary = Collect(stream);
    Print(argv[i], summary);
    if (summary.read_error) result = 1;
  }
  return result;
}

}  // namespace brisca::tools
