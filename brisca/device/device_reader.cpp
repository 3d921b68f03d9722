#include "brisca/device/device_reader.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "brisca/device/device_file_name.h"
#include "brisca/recordings/le_fields.h"
#include "brisca/stream/plausible_span.h"

namespace brisca {
namespace {

constexpr size_t kReadBufferSize = 1048576;
// Seek stops on a key chunk this close to the target, in microseconds.
constexpr uint64_t kSeekTolerance = 1000000;
constexpr uint32_t kBackLinkOffset = 32;  // in the info block
constexpr ChunkFilter kKeyChunks{true, true};
// Neighbouring video chunks this far apart agree, in microseconds; at most
// this many chunks are read at each end to find two that do.
constexpr uint64_t kPlausibleGapUs = kPlausibleGapMs * 1000;
constexpr int kPlausibleChunks = 64;

int32_t DurationMs(uint64_t first, uint64_t last) {
  if (last < first) return 0;
  return static_cast<int32_t>(
      std::min<uint64_t>((last - first) / 1000, std::numeric_limits<int32_t>::max()));
}

// The back link of a key chunk's info block; 0 without an info block.
uint32_t ReadBackLink(DeviceSource& source, const LocatedChunk& located) {
  uint8_t link[4] = {};
  if (located.chunk.info_length == 0) return 0;
  if (source.ReadAt(located.position + located.chunk.header_size + kBackLinkOffset, link,
                    sizeof link) != sizeof link) {
    return 0;
  }
  return LoadField<uint32_t>(link);
}

}  // namespace

CFileAuds::CFileAuds() = default;

CFileAuds::~CFileAuds() { Close(); }

int CFileAuds::Open(const char* path) {
  CAutoLock hold(&main_lock_);
  Close();
  if (!path || !source_.Open(path)) return 1;
  const DeviceHeader& header = source_.header();
  if (!header.IsAccepted()) {
    Close();
    return 1;
  }
  audio_type_ = header.AudioType() != 0 ? header.AudioType() : 2;
  if (buffer_.size() < kReadBufferSize) buffer_.assign(kReadBufferSize, 0);
  const std::optional<Timestamps> timestamps = FindTimestamps();
  if (!timestamps) {
    Close();
    return 1;
  }
  timestamps_ = *timestamps;

  param_ = RecFileParam{};
  param_.start_time = header.StartTime();
  param_.end_time = header.EndTime();
  param_.start = timestamps_.first;
  param_.end = timestamps_.last;
  param_.duration_ms = DurationMs(timestamps_.first, timestamps_.last);
  header.CopyTexts(&param_);

  std::strncpy(path_, path, sizeof path_ - 1);
  PositionAt(kDeviceDataStart);
  current_timestamp_ = timestamps_.first;
  current_frame_position_ = kDeviceDataStart;
  interval_ms_ = IntervalFromFileName(path).value_or(interval_ms_);
  open_ = true;
  return 0;
}

int CFileAuds::Close() {
  CAutoLock hold(&main_lock_);
  source_.Close();
  open_ = false;
  PositionAt(0);
  backward_step_ = false;
  forward_step_ = false;
  return 0;
}

std::optional<CFileAuds::Timestamps> CFileAuds::FindTimestamps() {
  // A timestamp counts when the video chunk next to it agrees, so that a
  // damaged first or last chunk does not make the recording last no time
  // or years; the raw ones stand when no two chunks agree.
  PositionAt(kDeviceDataStart);
  DeviceChunk chunk;
  uint64_t position = 0;
  std::optional<uint64_t> first;
  PlausibleSpan forward(kPlausibleGapUs);
  for (int videos = 0; videos < kPlausibleChunks && !forward.first();) {
    if (!NextChunk(&chunk, &position)) break;
    if (!chunk.is_video()) continue;
    if (!first) first = chunk.timestamp;
    forward.Add(chunk.timestamp);
    ++videos;
  }
  if (!first) return std::nullopt;
  std::optional<LocatedChunk> located =
      FindChunkBackward(source_, source_.data_end(), ChunkFilter{false, false});
  if (!located) return std::nullopt;
  const uint64_t last = located->chunk.timestamp;
  PlausibleSpan backward(kPlausibleGapUs);  // fed from the end: its first is the last
  for (int videos = 0; located && videos < kPlausibleChunks && !backward.first(); ++videos) {
    backward.Add(located->chunk.timestamp);
    located = FindChunkBackward(source_, located->position, ChunkFilter{false, false});
  }
  return Timestamps{forward.first().value_or(*first), backward.first().value_or(last)};
}

void CFileAuds::PositionAt(uint64_t position) {
  buffer_position_ = position;
  fill_ = 0;
  parse_ = 0;
}

bool CFileAuds::Refill(uint64_t need) {
  if (parse_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + parse_, fill_ - parse_);
    buffer_position_ += parse_;
    fill_ -= parse_;
    parse_ = 0;
  }
  // `need` is at most the largest chunk accepted.
  if (need > buffer_.size()) buffer_.resize(static_cast<size_t>(need));
  const uint64_t from = buffer_position_ + fill_;
  if (from >= source_.data_end() || fill_ == buffer_.size()) return false;
  const size_t wanted =
      static_cast<size_t>(std::min<uint64_t>(buffer_.size() - fill_, source_.data_end() - from));
  const size_t count = source_.ReadAt(from, buffer_.data() + fill_, wanted);
  fill_ += count;
  return count > 0;
}

bool CFileAuds::NextChunk(DeviceChunk* chunk, uint64_t* position) {
  for (;;) {
    size_t i = parse_;
    uint64_t need = 0;
    while (fill_ - i >= 4) {
      const uint64_t at = buffer_position_ + i;
      const uint64_t room = source_.data_end() - at;
      DeviceChunk found;
      const ChunkMatch match = MatchDeviceChunk(&buffer_[i], fill_ - i, &found);
      if (match == ChunkMatch::kNeedMore && found.header_size <= room) {
        need = found.header_size;
        break;
      }
      // No chunk, a header the end of the data cuts, or a chunk too large or
      // running past the end: damage, skipped a byte at a time.
      if (match != ChunkMatch::kChunk || found.total_size > kDeviceMaxChunkSize ||
          found.total_size > room) {
        ++i;
        continue;
      }
      if (found.total_size > fill_ - i) {
        need = found.total_size;
        break;
      }
      parse_ = i + static_cast<size_t>(found.total_size);
      *chunk = found;
      *position = at;
      return true;
    }
    parse_ = i;
    if (!Refill(need)) return false;
  }
}

const uint8_t* CFileAuds::ChunkBytes(uint64_t position) const {
  return buffer_.data() + (position - buffer_position_);
}

int CFileAuds::ReadFrame(RecFrame** frame, RecFrame** info) {
  CAutoLock hold(&main_lock_);
  if (!open_ || !frame) return 1;
  DeviceChunk chunk;
  uint64_t position = 0;
  if (!NextChunk(&chunk, &position)) return 1;
  const bool with_info = chunk.info_length != 0 && info != nullptr;
  RecFrame* out = pool_.Take(chunk.payload_length);
  RecFrame* telemetry = out && with_info ? pool_.Take(kDeviceInfoSize) : nullptr;
  if (!out || (with_info && !telemetry)) {
    pool_.Release(out);
    parse_ = static_cast<size_t>(position - buffer_position_);  // read it again next time
    return 1;
  }
  const uint8_t* bytes = ChunkBytes(position);
  std::memcpy(out->data, bytes + chunk.header_size + chunk.info_length, chunk.payload_length);
  out->length = chunk.payload_length;
  switch (chunk.kind) {
    case DeviceChunkKind::kVideoKey: out->kind = FRAME_VIDEO_KEY; break;
    case DeviceChunkKind::kVideoPredicted: out->kind = FRAME_VIDEO_PREDICTED; break;
    case DeviceChunkKind::kAudio: out->kind = FRAME_AUDIO; break;
  }
  if (chunk.is_video()) {
    current_timestamp_ = chunk.timestamp;
  } else {
    audio_type_ = chunk.audio_type;
  }
  out->timestamp = current_timestamp_;
  if (telemetry) {
    std::memcpy(telemetry->data, bytes + chunk.header_size, kDeviceInfoSize);
    telemetry->length = kDeviceInfoSize;
    telemetry->kind = FRAME_INFO;
    telemetry->timestamp = chunk.timestamp;
    *info = telemetry;
  }
  current_frame_position_ = position;
  backward_step_ = false;
  forward_step_ = false;
  *frame = out;
  return 0;
}

int CFileAuds::ReadInfoFrame(uint32_t, RecFrame** info) {
  CAutoLock hold(&main_lock_);
  if (!open_ || !info) return 1;
  backward_step_ = false;
  forward_step_ = false;
  DeviceChunk chunk;
  uint64_t position = 0;
  for (;;) {
    if (!NextChunk(&chunk, &position)) return 1;
    if (!chunk.is_video()) {
      audio_type_ = chunk.audio_type;
      continue;
    }
    current_timestamp_ = chunk.timestamp;
    current_frame_position_ = position;
    if (chunk.info_length != 0) break;
  }
  RecFrame* telemetry = pool_.Take(kDeviceInfoSize);
  if (!telemetry) {
    parse_ = static_cast<size_t>(position - buffer_position_);
    return 1;
  }
  std::memcpy(telemetry->data, ChunkBytes(position) + chunk.header_size, kDeviceInfoSize);
  telemetry->length = kDeviceInfoSize;
  telemetry->kind = FRAME_INFO;
  telemetry->timestamp = chunk.timestamp;
  *info = telemetry;
  return 0;
}

int CFileAuds::Rewind() {
  CAutoLock hold(&main_lock_);
  if (!open_) return 1;
  PositionAt(kDeviceDataStart);
  current_timestamp_ = timestamps_.first;
  current_frame_position_ = kDeviceDataStart;
  backward_step_ = false;
  forward_step_ = false;
  return 0;
}

int CFileAuds::Seek(int32_t ms, int32_t) {
  CAutoLock hold(&main_lock_);
  if (!open_ || ms < 0) return 1;
  const uint64_t first = timestamps_.first;
  const uint64_t span = timestamps_.last >= first ? timestamps_.last - first : 0;
  const uint64_t offset = uint64_t(ms) * 1000;
  if (offset > span) return 1;
  const uint64_t target = first + offset;
  // Where the target would lie if the data were spread evenly over time.
  const uint64_t data = source_.data_end() - kDeviceDataStart;
  const double share = span == 0 ? 0.0 : static_cast<double>(offset) / static_cast<double>(span);
  const uint64_t estimate =
      kDeviceDataStart + std::min(data, static_cast<uint64_t>(share * static_cast<double>(data)));
  std::optional<LocatedChunk> key = FindChunkForward(source_, estimate, kKeyChunks);
  if (!key) key = FindChunkBackward(source_, estimate, kKeyChunks);
  if (!key) return 1;
  // Steps one key chunk at a time towards the target, never turning back.
  int direction = 0;
  for (;;) {
    const uint64_t at = key->chunk.timestamp;
    std::optional<LocatedChunk> next;
    if (at < target && target - at > kSeekTolerance) {
      if (direction < 0) break;
      direction = 1;
      next = FindChunkForward(source_, key->position + key->chunk.total_size, kKeyChunks);
    } else if (at > target && at - target > kSeekTolerance) {
      if (direction > 0) break;
      direction = -1;
      next = FindChunkBackward(source_, key->position, kKeyChunks);
    }
    if (!next) break;
    key = next;
  }
  PositionAt(key->position);
  current_timestamp_ = key->chunk.timestamp;
  current_frame_position_ = key->position;
  backward_step_ = false;
  forward_step_ = false;
  return 0;
}

int CFileAuds::DeliverKeyChunk(const LocatedChunk& located, RecFrame** frame,
                               uint32_t* back_link) {
  const DeviceChunk& chunk = located.chunk;
  RecFrame* out = pool_.Take(chunk.payload_length);
  if (!out) return 1;
  const uint64_t payload_at = located.position + chunk.header_size + chunk.info_length;
  if (source_.ReadAt(payload_at, out->data, chunk.payload_length) != chunk.payload_length) {
    pool_.Release(out);
    return 1;
  }
  out->length = chunk.payload_length;
  out->kind = FRAME_VIDEO_KEY;
  out->timestamp = chunk.timestamp;
  *back_link = ReadBackLink(source_, located);
  key_position_ = located.position;
  key_end_ = located.position + chunk.total_size;
  key_back_link_ = *back_link;
  // A read after the step delivers this key chunk again, then what follows it.
  PositionAt(located.position);
  current_timestamp_ = chunk.timestamp;
  current_frame_position_ = located.position;
  *frame = out;
  return 0;
}

int CFileAuds::NextKeyFrame(RecFrame** frame) {
  CAutoLock hold(&main_lock_);
  if (!open_ || !frame || backward_step_) return 1;
  const uint64_t from = forward_step_ ? key_end_ : buffer_position_ + parse_;
  const std::optional<LocatedChunk> key = FindChunkForward(source_, from, kKeyChunks);
  uint32_t back_link = 0;
  if (!key || DeliverKeyChunk(*key, frame, &back_link) != 0) return 1;
  forward_step_ = true;
  return 0;
}

int CFileAuds::PrevKeyFrame(RecFrame** frame) {
  CAutoLock hold(&main_lock_);
  if (!open_ || !frame) return 1;
  forward_step_ = false;
  uint32_t back_link = 0;
  if (!backward_step_) {
    const uint64_t from = buffer_position_ + parse_;
    std::optional<LocatedChunk> key = FindChunkForward(source_, from, kKeyChunks);
    while (key && ReadBackLink(source_, *key) == 1)
      key = FindChunkForward(source_, key->position + 1, kKeyChunks);
    if (!key) key = FindChunkBackward(source_, from, kKeyChunks);
    if (!key || DeliverKeyChunk(*key, frame, &back_link) != 0) return 1;
    backward_step_ = true;
    return 0;
  }
  // The link must lead back to a whole key chunk of the data.
  if (key_back_link_ < kDeviceDataStart || key_back_link_ >= key_position_) return 1;
  const std::optional<LocatedChunk> key = FindChunkForward(source_, key_back_link_, kKeyChunks);
  if (!key || key->position != key_back_link_) return 1;
  return DeliverKeyChunk(*key, frame, &back_link);
}

int CFileAuds::ReadDeviceInfo(RecFileParam* out, const char* path) {
  if (!out || !path) return 1;
  CFileAuds probe;
  if (probe.Open(path) != 0) return 1;
  CAutoLock hold(&probe.main_lock_);
  const DeviceHeader& header = probe.source_.header();
  RecFileParam record{};
  record.start_time = header.StartTime();
  record.end_time = header.EndTime();
  // The clock of the last key chunk's telemetry, when it has one, is the
  // better end time.
  const std::optional<LocatedChunk> last_key =
      FindChunkBackward(probe.source_, probe.source_.data_end(), ChunkFilter{true, false});
  if (last_key && last_key->chunk.info_length == kDeviceInfoSize) {
    uint8_t telemetry[kDeviceInfoSize];
    // Bytes 0-5 are the clock; month 0 means the record has none.
    if (probe.source_.ReadAt(last_key->position + last_key->chunk.header_size, telemetry,
                             sizeof telemetry) == sizeof telemetry &&
        telemetry[1] != 0) {
      record.end_time = DeviceClockTime(telemetry);
    }
  }
  record.duration_ms = probe.param_.duration_ms;
  record.channel = header.FirstChannel();
  record.record_type = header.RecordType();
  header.CopyTexts(&record);
  *out = record;
  return 0;
}

uint32_t CFileAuds::interval_ms() {
  CAutoLock hold(&main_lock_);
  return interval_ms_;
}

uint8_t CFileAuds::audio_type() {
  CAutoLock hold(&main_lock_);
  return audio_type_;
}

}  // namespace brisca
