#include "brisca/disk/disk_reader.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "brisca/base/diag_log.h"
#include "brisca/disk/disk_segment_source.h"
#include "brisca/recordings/byte_source_wrap.h"
#include "brisca/recordings/os_file.h"
#include "brisca/stream/stream_examination.h"
#include "brisca/stream/stream_records.h"

namespace brisca {
namespace {

// `seconds` counts from midnight of the clock's date and may pass a day:
// the date then rolls over.
BR_SYSTEMTIME ToSystemTime(const WallClock& clock, uint64_t seconds) {
  using namespace std::chrono;
  const year_month_day date{sys_days{year_month_day{year{clock.year}, month{clock.month},
                                                    day{clock.day}}} +
                            days{seconds / 86400}};
  const uint64_t seconds_of_day = seconds % 86400;
  BR_SYSTEMTIME time{};
  time.year = static_cast<uint16_t>(static_cast<int>(date.year()));
  time.month = static_cast<uint16_t>(static_cast<unsigned>(date.month()));
  time.day = static_cast<uint16_t>(static_cast<unsigned>(date.day()));
  time.hour = static_cast<uint16_t>(seconds_of_day / 3600);
  time.minute = static_cast<uint16_t>(seconds_of_day / 60 % 60);
  time.second = static_cast<uint16_t>(seconds_of_day % 60);
  return time;
}

}  // namespace

CFileNvr::CFileNvr(SourceKind source, size_t pool_frames) : CRecFile(pool_frames) {
  source_kind_ = source;
}

CFileNvr::~CFileNvr() { Close(); }

std::unique_ptr<CBaseFile> CFileNvr::OpenSource(const char* name) {
  std::unique_ptr<CBaseFile> source;
  if (source_kind_ == SourceKind::kDiskStream) {
    auto segment = std::make_unique<CNvrFile>();
    segment_ = segment.get();
    source = WrapByteSource(std::move(segment));
  } else {
    source = WrapByteSource(std::make_unique<COsFile>());
  }
  const int result = source->OpenFile(name, 0);
  if (result != 0) {
    BrLog("CFileNvr::Open:1 %s %d", name, result);
    segment_ = nullptr;
    return nullptr;
  }
  return source;
}

size_t CFileNvr::ReadFully(uint8_t* buffer, size_t size) {
  size_t filled = 0;
  while (filled < size) {
    const uint32_t chunk = static_cast<uint32_t>(std::min<size_t>(size - filled, 1u << 30));
    const int64_t count = source_->ReadSome(buffer + filled, chunk);
    if (count <= 0) break;
    filled += static_cast<size_t>(count);
  }
  return filled;
}

int CFileNvr::Open(const char* name) {
  CAutoLock hold(&main_lock_);
  if (!name) return 1;
  Close();
  source_ = OpenSource(name);
  if (!source_) return 1;
  std::snprintf(path_, sizeof path_, "%s", name);
  if (!Examine()) {
    CloseSource();
    return 1;
  }
  source_->Seek(0, SeekOrigin::kStart);
  reader_ = std::make_unique<StreamFrameReader>(
      [this](uint8_t* buffer, size_t capacity) {
        return source_->ReadSome(buffer, static_cast<uint32_t>(std::min<size_t>(capacity, 1u << 30)));
      });
  current_timestamp_ = first_timestamp_;
  current_frame_position_ = 0;
  backward_step_ = forward_step_ = false;
  key_offset_ = key_end_ = step_back_end_ = 0;
  key_info_.reset();
  open_ = true;
  return 0;
}

bool CFileNvr::Examine() {
  file_size_ = source_->Size();
  std::vector<uint8_t> buffer(kExaminedBytes);
  source_->Seek(0, SeekOrigin::kStart);
  size_t count = ReadFully(buffer.data(), buffer.size());
  if (count == 0) {
    BrLog("CFileNvr::Open:2 %s nothing read", path_);
    return false;
  }
  const StreamHead head = ExamineHead(buffer.data(), count);
  if (!head.first_key) {
    BrLog("CFileNvr::Open:3 %s no key frame in %zu bytes", path_, count);
    return false;
  }
  info_ = RecFileInfo{};
  if (head.audio) {
    info_.audio_codec = head.audio->codec;
    info_.audio_channels = head.audio->channels;
    info_.audio_bits_per_sample = head.audio->bits_per_sample;
    info_.audio_sample_rate = static_cast<int32_t>(head.audio->sample_rate);
    info_.audio_samples_per_frame = 320;
  }
  StreamFrame first = *head.first_key;
  // A first timestamp or clock that its neighbours contradict would put the
  // whole recording hours away from its frames.
  first_timestamp_ = FirstKeyTimestamp(buffer.data(), count).value_or(first.timestamp);
  if (const std::optional<WallClock> clock = FirstKeyClock(buffer.data(), count, first_timestamp_))
    first.clock = *clock;

  // When the tail cannot be read, the head tells how far the recording
  // reaches at least.
  const std::optional<uint64_t> head_last = LastVideoTimestamp(buffer.data(), count);

  // The end comes from the last 2,000,000 bytes, or from the start again
  // when the source refuses to seek there (a shorter recording).
  if (source_->Seek(-static_cast<int64_t>(kExaminedBytes), SeekOrigin::kEnd) != 0)
    source_->Seek(0, SeekOrigin::kStart);
  count = ReadFully(buffer.data(), buffer.size());
  std::optional<uint64_t> last = LastVideoTimestamp(buffer.data(), count);
  if (!last) last = head_last;
  const uint64_t start_of_day = first.has_clock ? first.clock.SecondsOfDay() : 0;
  // Past 86,399 when the recording runs into the next day; no further than
  // the record's 32-bit millisecond duration reaches, whatever a damaged
  // timestamp claims.
  uint64_t end_seconds = start_of_day;
  last_timestamp_ = first_timestamp_;
  if (last && *last >= first_timestamp_) {
    constexpr uint64_t kLongestSeconds = INT32_MAX / 1000;
    end_seconds =
        start_of_day + std::min<uint64_t>((*last - first_timestamp_) / 1000, kLongestSeconds);
    last_timestamp_ = *last;
  }
  FillRecords(first, end_seconds, last_timestamp_);
  return true;
}

void CFileNvr::FillRecords(const StreamFrame& first, uint64_t end_seconds,
                           uint64_t last_timestamp) {
  has_start_clock_ = first.has_clock;
  start_clock_ = first.has_clock ? first.clock : WallClock{};
  param_ = RecFileParam{};
  std::snprintf(param_.name, sizeof param_.name, "%s", path_);
  if (first.has_clock) {
    param_.start_time = ToSystemTime(start_clock_, start_clock_.SecondsOfDay());
    param_.end_time = ToSystemTime(start_clock_, end_seconds);
  }
  param_.start = first_timestamp_;
  param_.end = last_timestamp;
  param_.duration_ms = static_cast<int32_t>(last_timestamp - first_timestamp_);
  param_.channel = first.stream_byte;

  info_.start_time = param_.start_time;
  info_.end_time = param_.end_time;
  info_.frame_rate = first.has_video_format ? first.video_format.frame_rate : 0.0f;
  info_.width = first.has_video_format ? first.video_format.width : 0;
  info_.height = first.has_video_format ? first.video_format.height : 0;
}

void CFileNvr::CloseSource() {
  if (source_) source_->Close();
  source_.reset();
  segment_ = nullptr;
}

int CFileNvr::Close() {
  CAutoLock hold(&main_lock_);
  if (open_) {
    CloseSource();
    open_ = false;
  }
  reader_.reset();
  window_.clear();
  window_.shrink_to_fit();
  return 0;
}

int CFileNvr::Rewind() {
  CAutoLock hold(&main_lock_);
  if (!source_ || !reader_) return 1;
  source_->Seek(0, SeekOrigin::kStart);
  reader_->Reset(0);
  backward_step_ = forward_step_ = false;
  current_timestamp_ = first_timestamp_;
  current_frame_position_ = 0;
  return 0;
}

int CFileNvr::ReadFrame(RecFrame** frame, RecFrame** info) {
  CAutoLock hold(&main_lock_);
  if (!open_ || !frame) return 1;
  if (backward_step_ || forward_step_) {
    reader_->Reset(source_->Tell());
    backward_step_ = forward_step_ = false;
  }
  RecFrame* media = nullptr;
  RecFrame* telemetry = nullptr;
  if (reader_->Next(pool_, &media, &telemetry) != StreamFrameReader::Status::kFrame) return 1;
  *frame = media;
  if (telemetry) {
    if (info) {
      *info = telemetry;
    } else {
      pool_.Release(telemetry);
    }
  }
  current_timestamp_ = media->timestamp;
  current_frame_position_ = reader_->last_frame_offset();
  return 0;
}

int CFileNvr::Seek(int32_t ms, int32_t) {
  CAutoLock hold(&main_lock_);
  if (!open_) return 1;
  const uint64_t target = first_timestamp_ + static_cast<uint64_t>(static_cast<int64_t>(ms));
  if (target < first_timestamp_ || target > last_timestamp_) return 1;
  // Reading goes on from the position found, whatever steps came before.
  backward_step_ = forward_step_ = false;
  // Without a wall clock the file system's time index cannot help.
  const bool sought = source_kind_ == SourceKind::kDiskStream && has_start_clock_ ? SeekByWallClock(ms)
                                                            : SeekByTimestamp(target);
  if (!sought) return 1;
  current_frame_position_ = source_->Tell();
  reader_->Reset(current_frame_position_);
  return 0;
}

bool CFileNvr::SeekByWallClock(int32_t ms) {
  using namespace std::chrono;
  const sys_days day = year_month_day{year{start_clock_.year}, month{start_clock_.month},
                                      std::chrono::day{start_clock_.day}};
  const sys_time<milliseconds> when =
      day + seconds{start_clock_.SecondsOfDay()} + milliseconds{ms};
  const sys_days when_day = floor<days>(when);
  const year_month_day date{when_day};
  const hh_mm_ss<milliseconds> time{when - when_day};
  _fs_date_time_ target{};
  target.year = static_cast<uint8_t>(static_cast<int>(date.year()) - 2000);
  target.month = static_cast<uint8_t>(static_cast<unsigned>(date.month()));
  target.day = static_cast<uint8_t>(static_cast<unsigned>(date.day()));
  target.hour = static_cast<uint8_t>(time.hours().count());
  target.minute = static_cast<uint8_t>(time.minutes().count());
  target.second = static_cast<uint8_t>(time.seconds().count());
  return segment_ != nullptr && segment_->SeekToTime(target) == 0;
}

// Finds the last key frame whose timestamp is at or before `target` by
// reading from the start; used where there is no time index.
bool CFileNvr::SeekByTimestamp(uint64_t target) {
  if (source_->Seek(0, SeekOrigin::kStart) != 0) return false;
  StreamFrameReader scan([this](uint8_t* buffer, size_t capacity) {
    return source_->ReadSome(buffer, static_cast<uint32_t>(std::min<size_t>(capacity, 1u << 30)));
  });
  uint64_t best = 0;
  for (;;) {
    RecFrame* frame = nullptr;
    RecFrame* info = nullptr;
    if (scan.Next(pool_, &frame, &info) != StreamFrameReader::Status::kFrame) break;
    const bool key = frame->kind == FRAME_VIDEO_KEY;
    const uint64_t timestamp = frame->timestamp;
    pool_.Release(frame);
    pool_.Release(info);
    if (!key) continue;
    if (timestamp > target) break;
    best = scan.last_frame_offset();
  }
  return source_->Seek(static_cast<int64_t>(best), SeekOrigin::kStart) == 0;
}

int CFileNvr::DeliverKeyFrame(const StreamFrame& frame, uint64_t offset,
                              const std::optional<InfoRecord>& telemetry, RecFrame** out) {
  RecFrame* media = nullptr;
  RecFrame* info = nullptr;
  if (!MakeRecords(frame, pool_, &media, &info)) return 1;
  pool_.Release(info);  // steps hand out the picture; KeyFrameInfo tells its telemetry
  *out = media;
  key_info_ = telemetry;
  key_offset_ = offset;
  key_end_ = offset + frame.total_size;
  current_timestamp_ = media->timestamp;
  source_->Seek(static_cast<int64_t>(key_end_), SeekOrigin::kStart);
  return 0;
}

int CFileNvr::NextKeyFrame(RecFrame** out) {
  CAutoLock hold(&main_lock_);
  if (!open_ || !out) return 1;
  if (backward_step_) {
    // Turning round after backward steps: continue after the key frame shown.
    backward_step_ = false;
    forward_step_ = true;
    source_->Seek(static_cast<int64_t>(key_end_), SeekOrigin::kStart);
  } else if (!forward_step_) {
    forward_step_ = true;
    source_->Seek(static_cast<int64_t>(current_frame_position_), SeekOrigin::kStart);
  }
  // The latest telemetry on the way, for the key frame found.
  std::optional<InfoRecord> telemetry;
  for (;;) {
    const uint64_t noted = source_->Tell();
    window_.resize(std::max<size_t>(window_.size(), kStepWindow));
    const size_t window_size = window_.size();
    const size_t count = ReadFully(window_.data(), window_size);
    size_t position = 0;
    uint32_t needed = 0;
    StreamFrame frame;
    for (;;) {
      const ScanResult scan = ScanForFrame(window_.data() + position, count - position, frame);
      if (scan.match != FrameMatch::kFrame) {
        position += scan.offset;
        needed = scan.needed;
        break;
      }
      if (const size_t end = ConfirmedFrameEnd(window_.data() + position + scan.offset,
                                               count - position - scan.offset, frame.total_size,
                                               count < window_size);
          end != frame.total_size) {
        position += scan.offset + end;  // a false header or a damaged length
        continue;
      }
      const uint64_t offset = noted + position + scan.offset;
      if (frame.IsVideo() && frame.has_gps) telemetry = MakeInfoRecord(frame);
      if (frame.IsVideo() && frame.IsKey()) {
        const int result = DeliverKeyFrame(frame, offset, telemetry, out);
        if (result == 0) current_frame_position_ = key_end_;
        return result;
      }
      position += scan.offset + frame.total_size;
    }
    if (count < window_size) return 1;  // the end of the recording
    // The window ended inside a frame: read again from that frame, in a
    // window large enough for it.
    if (needed > window_size) window_.resize(needed);
    source_->Seek(static_cast<int64_t>(noted + position), SeekOrigin::kStart);
  }
}

int CFileNvr::PrevKeyFrame(RecFrame** out) {
  CAutoLock hold(&main_lock_);
  if (!open_ || !out) return 1;
  if (!backward_step_) {
    backward_step_ = true;
    // After forward steps the key frame shown is the current one: search
    // before it, not before the end of it.
    step_back_end_ = forward_step_ ? key_offset_ : current_frame_position_;
  }
  forward_step_ = false;
  // Search the bytes before step_back_end_ one window at a time. Each
  // further window reaches past the start of the one before by the largest
  // frame size, so a key frame cut by a window's start is whole in the next;
  // a key frame interval longer than a window is thereby still crossed.
  const uint64_t end = step_back_end_;
  uint64_t start = end;
  while (start > 0) {
    const uint64_t stop = start == end ? end : std::min<uint64_t>(end, start + kMaxFrameSize);
    start = start > kStepWindow ? start - kStepWindow : 0;
    window_.resize(static_cast<size_t>(stop - start));
    if (source_->Seek(static_cast<int64_t>(start), SeekOrigin::kStart) != 0) return 1;
    const size_t count = ReadFully(window_.data(), window_.size());
    std::optional<StreamFrame> last_key;
    size_t last_key_at = 0;
    std::optional<InfoRecord> telemetry;  // the latest so far in the window
    std::optional<InfoRecord> last_key_telemetry;
    size_t position = 0;
    StreamFrame frame;
    for (;;) {
      const ScanResult scan = ScanForFrame(window_.data() + position, count - position, frame);
      if (scan.match != FrameMatch::kFrame) break;
      if (const size_t real_end = ConfirmedFrameEnd(window_.data() + position + scan.offset,
                                                    count - position - scan.offset,
                                                    frame.total_size, count < window_.size());
          real_end != frame.total_size) {
        position += scan.offset + real_end;  // a false header or a damaged length
        continue;
      }
      if (frame.IsVideo() && frame.has_gps) telemetry = MakeInfoRecord(frame);
      if (frame.IsVideo() && frame.IsKey()) {
        last_key = frame;
        last_key_at = position + scan.offset;
        last_key_telemetry = telemetry;
      }
      position += scan.offset + frame.total_size;
    }
    if (last_key) {
      const int result = DeliverKeyFrame(*last_key, start + last_key_at, last_key_telemetry, out);
      if (result == 0) step_back_end_ = current_frame_position_ = key_offset_;
      return result;
    }
  }
  return 1;
}

bool CFileNvr::KeyFrameInfo(InfoRecord* out) {
  CAutoLock hold(&main_lock_);
  if (!key_info_ || !out) return false;
  *out = *key_info_;
  return true;
}

}  // namespace brisca
