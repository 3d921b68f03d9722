#include "brisca/stream/stream_frame.h"

#include <cstring>

#include "brisca/base/diag_log.h"
#include "brisca/recordings/le_fields.h"

namespace brisca {
namespace {

bool IsFrameType(uint8_t type) {
  return type >= kTypeVideoKey && type <= kTypeVideoPredictedAlt;
}

void DecodeVideoFormat(const uint8_t* item, StreamFrame& frame) {
  const uint32_t word = LoadField<uint32_t>(item + 4);
  frame.video_format.width = word & 0xFFF;
  frame.video_format.height = (word >> 12) & 0xFFF;
  frame.video_format.frame_rate = word >> 24;
  frame.has_video_format = true;
}

void DecodeClock(const uint8_t* item, StreamFrame& frame) {
  WallClock clock;
  clock.year = 2000 + item[4];
  clock.month = item[5];
  clock.day = item[6];
  clock.hour = item[7];
  clock.minute = item[8];
  clock.second = item[9];
  frame.clock = clock;
  frame.has_clock = clock.SecondsOfDay() <= 86399;
}

void DecodeTimestamp(const uint8_t* item, StreamFrame& frame) {
  frame.timestamp = (uint64_t{LoadField<uint32_t>(item + 8)} << 32) | LoadField<uint32_t>(item + 4);
  frame.has_timestamp = true;
}

void DecodeAudioFormat(const uint8_t* item, StreamFrame& frame) {
  const uint32_t word = LoadField<uint32_t>(item + 4);
  frame.audio_format.codec = word & 0xF;
  frame.audio_format.channels = ((word >> 4) & 1) + 1;
  frame.audio_format.bits_per_sample = (word >> 6) & 0x3F;
  frame.audio_format.sample_rate = (word >> 12) & 0x3FFFF;
  frame.has_audio_format = true;
}

void DecodeGps(const uint8_t* item, StreamFrame& frame) {
  GpsFix& gps = frame.gps;
  gps.status = static_cast<char>(item[4]);
  // Thousandths of a knot to whole km/h, truncated: x * 1.852 / 1000 computed
  // exactly in integers (the field has 24 bits, so no overflow).
  const uint64_t knots_milli = LoadField<uint32_t>(item + 4) >> 8;
  gps.speed_kmh = static_cast<uint16_t>(knots_milli * 1852 / 1000000);
  gps.lat_degrees = item[8];
  gps.lat_minutes = item[9];
  gps.lon_degrees = item[10];
  gps.lon_minutes = item[11];
  // 10^-7 minute on the stream, six decimal digits in the records.
  gps.lat_fraction = LoadField<uint32_t>(item + 12) / 10;
  gps.lon_fraction = LoadField<uint32_t>(item + 16) / 10;
  gps.heading = LoadField<uint16_t>(item + 20);
  gps.north_south = static_cast<char>(item[24]);
  gps.east_west = static_cast<char>(item[25]);
  frame.has_gps = true;
}

// Applies one item. An item is only decoded when every byte it reads lies
// inside the extension area, so a lying item size cannot make the parser
// read past the frame.
void DecodeItem(uint8_t tag, const uint8_t* item, size_t bytes_left,
                StreamFrame& frame) {
  switch (tag) {
    case EXT_VIDEO_FORMAT:
      if (bytes_left >= kVideoFormatItemSize) DecodeVideoFormat(item, frame);
      break;
    case EXT_CLOCK:
      if (bytes_left >= kClockItemSize) DecodeClock(item, frame);
      break;
    case EXT_TIMESTAMP:
      if (bytes_left >= kTimestampItemSize) DecodeTimestamp(item, frame);
      break;
    case EXT_AUDIO_FORMAT:
      if (bytes_left >= kAudioFormatItemSize) DecodeAudioFormat(item, frame);
      break;
    case EXT_GPS:
      if (bytes_left >= kGpsItemSize) DecodeGps(item, frame);
      break;
    default:
      break;  // unknown tags are skipped by their size
  }
}

// Walks the extension area; false when an item is too large for the frame
// to be real. Recorder frames carry a handful of items; the walk ends after
// kMaxExtensionItems, so that false headers whose item chains run through
// each other cannot make recognition quadratic in the bytes scanned.
bool DecodeExtensionItems(const uint8_t* area, uint32_t length, StreamFrame& frame) {
  uint32_t position = 0;
  uint32_t remaining = length;
  for (uint32_t items = 0; remaining > 4 && items < kMaxExtensionItems; ++items) {
    const uint32_t word = LoadField<uint32_t>(area + position);
    const uint8_t tag = word & 0xFF;
    const uint32_t size = word >> 8;
    if (tag == EXT_END) break;
    DecodeItem(tag, area + position, remaining, frame);
    if (size > kMaxExtensionItemSize) return false;
    if (size < 4 || size > remaining) break;
    position += size;
    remaining -= size;
  }
  return true;
}

// The total size the header at `data` claims, or 0 when it is no header.
uint32_t HeaderTotal(const uint8_t* data) {
  const uint8_t type = data[1];
  if (!IsFrameType(type) || data[2] != 'd' || data[3] != 'c') return 0;
  const uint32_t payload_length = LoadField<uint32_t>(data + 4) & 0xFFFFFF;
  const uint32_t extension_length = LoadField<uint32_t>(data + 8) & 0xFFFFFF;
  const uint32_t total = kStreamHeaderSize + extension_length + payload_length;
  const uint32_t limit = type == kTypeAudio ? kMaxAudioFrameSize : kMaxFrameSize;
  return total > limit ? 0 : total;
}

// A whole frame at `data` that is followed by a header or by the end of the
// stream: strong evidence that a frame really starts there.
bool ConfirmedFrameAt(const uint8_t* data, size_t available, bool data_ends) {
  StreamFrame frame;
  if (RecognizeFrame(data, available, frame).match != FrameMatch::kFrame) return false;
  const size_t rest = available - frame.total_size;
  if (rest == 0) return data_ends;
  return LooksLikeHeader(data + frame.total_size, rest);
}

}  // namespace

bool LooksLikeHeader(const uint8_t* data, size_t available) {
  return available >= kStreamHeaderSize && HeaderTotal(data) != 0;
}

size_t ConfirmedFrameEnd(const uint8_t* data, size_t available, uint32_t total,
                         bool data_ends) {
  const size_t rest = available - total;
  if (rest == 0 || LooksLikeHeader(data + total, rest)) return total;
  if (data_ends && rest < kStreamHeaderSize) return total;
  // Noise after the frame: it stands unless a confirmed frame starts inside
  // it. Candidates need 'd' as their third byte; memchr finds those fast.
  for (size_t offset = 1; offset + 2 < total;) {
    const void* d = std::memchr(data + offset + 2, 'd', total - offset - 2);
    if (!d) break;
    offset = static_cast<size_t>(static_cast<const uint8_t*>(d) - data) - 2;
    if (ConfirmedFrameAt(data + offset, available - offset, data_ends)) return offset;
    ++offset;
  }
  return total;
}

Recognition RecognizeFrame(const uint8_t* data, size_t available, StreamFrame& frame) {
  if (available <= kStreamHeaderSize) return {FrameMatch::kNeedMoreData, 0};
  const uint32_t total = HeaderTotal(data);
  if (total == 0) return {};
  const uint8_t type = data[1];
  const uint32_t extension_length = LoadField<uint32_t>(data + 8) & 0xFFFFFF;
  const uint32_t payload_length = total - kStreamHeaderSize - extension_length;
  if (available < total) {
    BrDebugOutput(1, "stream frame incomplete: %zu of %u bytes", available, total);
    return {FrameMatch::kNeedMoreData, total};
  }

  frame = StreamFrame{};
  if (!DecodeExtensionItems(data + kStreamHeaderSize, extension_length, frame)) return {};
  frame.total_size = total;
  frame.payload = data + kStreamHeaderSize + extension_length;
  frame.payload_length = payload_length;
  frame.stream_byte = data[0];
  frame.type = type;
  return {FrameMatch::kFrame, total};
}

ScanResult ScanForFrame(const uint8_t* data, size_t size, StreamFrame& frame) {
  if (size == 0) return {};
  // Recognition asks for more data whenever 12 or fewer bytes remain, so the
  // scan ends at `tail` at the latest. Before it, only offsets whose third
  // byte is 'd' can start a frame; memchr finds them quickly in noise.
  const size_t tail = size > kStreamHeaderSize ? size - kStreamHeaderSize : 0;
  size_t offset = 0;
  while (offset < tail) {
    const void* d = std::memchr(data + offset + 2, 'd', tail - offset);
    if (!d) break;
    offset = static_cast<size_t>(static_cast<const uint8_t*>(d) - data) - 2;
    const Recognition result = RecognizeFrame(data + offset, size - offset, frame);
    if (result.match != FrameMatch::kNotAFrame) return {result.match, offset, result.needed};
    ++offset;
  }
  return {FrameMatch::kNeedMoreData, tail, 0};
}

}  // namespace brisca
