#include "tools/sample/stream_writer.h"

#include <stdexcept>
#include <string>

namespace brisca::tools::sample {
namespace {

// Item sizes as written: the clock and GPS bodies are padded with zeros to
// keep every item a whole number of 32-bit words.
constexpr uint32_t kClockWrittenSize = 12;
constexpr uint32_t kGpsWrittenSize = 28;
constexpr uint32_t kMax24 = 0xFFFFFF;

class ByteWriter {
 public:
  explicit ByteWriter(std::vector<uint8_t>& bytes) : bytes_(bytes) {}

  void U8(uint32_t value) { bytes_.push_back(static_cast<uint8_t>(value)); }
  void U16(uint32_t value) {
    U8(value);
    U8(value >> 8);
  }
  void U24(uint32_t value) {
    U16(value);
    U8(value >> 16);
  }
  void U32(uint32_t value) {
    U16(value);
    U16(value >> 16);
  }
  void ItemWord(ExtensionTag tag, uint32_t size) { U32(tag | size << 8); }

 private:
  std::vector<uint8_t>& bytes_;
};

void WriteVideoFormat(ByteWriter& out, const VideoFormat& format) {
  out.ItemWord(EXT_VIDEO_FORMAT, kVideoFormatItemSize);
  out.U32((format.width & 0xFFFu) | (format.height & 0xFFFu) << 12 |
          uint32_t{format.frame_rate} << 24);
}

void WriteClock(ByteWriter& out, const WallClock& clock) {
  out.ItemWord(EXT_CLOCK, kClockWrittenSize);
  out.U8(clock.year - 2000u);
  out.U8(clock.month);
  out.U8(clock.day);
  out.U8(clock.hour);
  out.U8(clock.minute);
  out.U8(clock.second);
  out.U16(0);
}

void WriteTimestamp(ByteWriter& out, uint64_t timestamp) {
  out.ItemWord(EXT_TIMESTAMP, kTimestampItemSize);
  out.U32(static_cast<uint32_t>(timestamp));
  out.U32(static_cast<uint32_t>(timestamp >> 32));
}

void WriteAudioFormat(ByteWriter& out, const AudioFormat& format) {
  out.ItemWord(EXT_AUDIO_FORMAT, kAudioFormatItemSize);
  out.U32((format.codec & 0xFu) | ((format.channels - 1u) & 1u) << 4 |
          (format.bits_per_sample & 0x3Fu) << 6 |
          (format.sample_rate & 0x3FFFFu) << 12);
}

void WriteGps(ByteWriter& out, const GpsReading& gps) {
  out.ItemWord(EXT_GPS, kGpsWrittenSize);
  out.U8(static_cast<uint8_t>(gps.status));
  out.U24(gps.speed_milliknots & kMax24);
  out.U8(gps.lat_degrees);
  out.U8(gps.lat_minutes);
  out.U8(gps.lon_degrees);
  out.U8(gps.lon_minutes);
  out.U32(gps.lat_fraction);
  out.U32(gps.lon_fraction);
  out.U16(gps.heading);
  out.U16(0);
  out.U8(static_cast<uint8_t>(gps.north_south));
  out.U8(static_cast<uint8_t>(gps.east_west));
  out.U16(0);
}

std::vector<uint8_t> ExtensionItems(const FrameContent& content) {
  std::vector<uint8_t> items;
  ByteWriter out(items);
  if (content.video_format) WriteVideoFormat(out, *content.video_format);
  if (content.clock) WriteClock(out, *content.clock);
  WriteTimestamp(out, content.timestamp);
  if (content.audio_format) WriteAudioFormat(out, *content.audio_format);
  if (content.gps) WriteGps(out, *content.gps);
  return items;
}

}  // namespace

std::vector<uint8_t> SerializeFrame(const FrameContent& content) {
  const std::vector<uint8_t> items = ExtensionItems(content);
  const size_t total = kStreamHeaderSize + items.size() + content.payload.size();
  const size_t limit =
      content.type == kTypeAudio ? kMaxAudioFrameSize : kMaxFrameSize;
  if (total > limit) {
    throw std::length_error("stream frame of " + std::to_string(total) +
                            " bytes exceeds the limit of " +
                            std::to_string(limit));
  }
  std::vector<uint8_t> frame;
  frame.reserve(total);
  ByteWriter out(frame);
  out.U8(content.stream_byte);
  out.U8(content.type);
  out.U8('d');
  out.U8('c');
  out.U24(static_cast<uint32_t>(content.payload.size()));
  out.U8(0);
  out.U24(static_cast<uint32_t>(items.size()));
  out.U8(0);
  frame.insert(frame.end(), items.begin(), items.end());
  frame.insert(frame.end(), content.payload.begin(), content.payload.end());
  return frame;
}

}  // namespace brisca::tools::sample
