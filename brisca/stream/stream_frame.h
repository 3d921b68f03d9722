// The recorder's frame stream: frame recognition in an arbitrary run of bytes
// and the decoding of the extension items a frame carries.
//
// Frame layout (little-endian): byte 0 stream byte, byte 1 type '2'..'6',
// bytes 2-3 "dc", bytes 4-6 payload length L, bytes 8-10 extension length X,
// then X bytes of extension items and L bytes of payload.
#pragma once

#include <cstddef>
#include <cstdint>

namespace brisca {

inline constexpr size_t kStreamHeaderSize = 12;
inline constexpr uint32_t kMaxAudioFrameSize = 1000;
inline constexpr uint32_t kMaxFrameSize = 6000000;
inline constexpr uint32_t kMaxExtensionItemSize = 100000;
// Items walked per frame at most; later ones are ignored.
inline constexpr uint32_t kMaxExtensionItems = 64;

// Frame types (byte 1).
inline constexpr uint8_t kTypeVideoKey = '2';
inline constexpr uint8_t kTypeVideoPredicted = '3';
inline constexpr uint8_t kTypeAudio = '4';
inline constexpr uint8_t kTypeVideoKeyAlt = '5';
inline constexpr uint8_t kTypeVideoPredictedAlt = '6';

// Extension item tags (low 8 bits of the item word; the high 24 bits are the
// item size in bytes including the word).
enum ExtensionTag : uint8_t {
  EXT_END = 0,
  EXT_VIDEO_FORMAT = 1,
  EXT_CLOCK = 2,
  EXT_TIMESTAMP = 3,
  EXT_AUDIO_FORMAT = 5,
  EXT_GPS = 9,
};

// Bytes each item reads from its start (word included).
inline constexpr uint32_t kVideoFormatItemSize = 8;
inline constexpr uint32_t kClockItemSize = 10;
inline constexpr uint32_t kTimestampItemSize = 12;
inline constexpr uint32_t kAudioFormatItemSize = 8;
inline constexpr uint32_t kGpsItemSize = 26;

struct VideoFormat {
  uint16_t width = 0;
  uint16_t height = 0;
  uint8_t frame_rate = 0;  // frames per second
};

// Local wall-clock time of a frame.
struct WallClock {
  uint16_t year = 0;  // full year
  uint8_t month = 0;
  uint8_t day = 0;
  uint8_t hour = 0;
  uint8_t minute = 0;
  uint8_t second = 0;

  uint32_t SecondsOfDay() const { return (hour * 60u + minute) * 60u + second; }
};

struct AudioFormat {
  uint8_t codec = 0;     // codec identifier, bits 0-3
  uint8_t channels = 0;  // 1 or 2
  uint8_t bits_per_sample = 0;
  uint32_t sample_rate = 0;  // Hz
};

// GPS fix as decoded from EXT_GPS: speed already in km/h and the fractions
// of a minute already scaled to six decimal digits.
struct GpsFix {
  char status = 0;  // 'A' when valid
  uint16_t speed_kmh = 0;
  uint8_t lat_degrees = 0;
  uint8_t lat_minutes = 0;
  uint8_t lon_degrees = 0;
  uint8_t lon_minutes = 0;
  uint32_t lat_fraction = 0;  // 10^-6 minute
  uint32_t lon_fraction = 0;  // 10^-6 minute
  uint16_t heading = 0;       // hundredths of a degree
  char north_south = 0;
  char east_west = 0;
};

// One recognised frame. `payload` points into the scanned buffer and is
// valid as long as that buffer is.
struct StreamFrame {
  uint32_t total_size = 0;  // 12 + X + L
  const uint8_t* payload = nullptr;
  uint32_t payload_length = 0;
  uint8_t stream_byte = 0;
  uint8_t type = 0;

  bool has_video_format = false;
  bool has_clock = false;  // false also when the clock item was out of range
  bool has_timestamp = false;
  bool has_audio_format = false;
  bool has_gps = false;
  VideoFormat video_format;
  WallClock clock;
  uint64_t timestamp = 0;  // milliseconds, 0 when absent
  AudioFormat audio_format;
  GpsFix gps;

  bool IsVideo() const { return type != kTypeAudio; }
  bool IsKey() const { return type == kTypeVideoKey || type == kTypeVideoKeyAlt; }
};

enum class FrameMatch {
  kFrame,         // a whole frame starts here
  kNeedMoreData,  // a frame may start here but the bytes do not cover it
  kNotAFrame,     // no frame starts here
};

struct Recognition {
  FrameMatch match = FrameMatch::kNotAFrame;
  // kNeedMoreData: bytes the candidate frame needs from its start; 0 when 12
  // or fewer bytes were available (the header itself is incomplete).
  uint32_t needed = 0;
};

// Tries to recognise a frame at `data`, of which `available` bytes may be
// read. Fills `frame` on kFrame.
Recognition RecognizeFrame(const uint8_t* data, size_t available,
                           StreamFrame& frame);

struct ScanResult {
  FrameMatch match = FrameMatch::kNotAFrame;
  size_t offset = 0;    // where the scan stopped
  uint32_t needed = 0;  // as Recognition::needed
};

// Tries recognition at every byte offset in turn until it gives a frame or
// asks for more data. Only an empty buffer reports kNotAFrame; otherwise a
// scan without a frame stops with kNeedMoreData within the last 12 bytes.
ScanResult ScanForFrame(const uint8_t* data, size_t size, StreamFrame& frame);

// True when the 12 bytes at `data` (of `available`) look like a frame
// header: a frame type, "dc" and a total size within the limits. Says
// nothing about the extension items or whether the frame is whole.
bool LooksLikeHeader(const uint8_t* data, size_t available);

// Checks a frame recognised at `data` with total size `total` against what
// follows it, so that a false header or a damaged length does not swallow
// the frames behind it. `available` bytes may be read from `data`;
// `data_ends` says that the stream ends there. Returns `total` when the
// frame stands: a header follows it, the stream ends with it, or no
// confirmed frame starts inside it. Otherwise the offset, inside the frame,
// of the first whole frame that is itself followed by a header or the end of
// the stream: the bytes before it are to be given up.
size_t ConfirmedFrameEnd(const uint8_t* data, size_t available, uint32_t total,
                         bool data_ends);

}  // namespace brisca
