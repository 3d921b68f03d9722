#include "brisca/engine/player.h"

#include <algorithm>
#include <cstring>

#include "brisca/decode/cadec_factory.h"
#include "brisca/decode/cvdec_his.h"
#include "brisca/recordings/listed_reader.h"
#include "brisca/engine/channel_owner.h"
#include "brisca/stream/info_record.h"

namespace brisca {
namespace {

constexpr int kPrimeReads = 5;
constexpr int kPrimeFrames = 3;
constexpr int kRefillReads = 10;
constexpr uint32_t kRefillBelow = 10;  // queued frames
constexpr uint32_t kIdleSleep = 100;   // ms: paused, or at the end
constexpr int32_t kEndChecksBeforeFirst = 3;
constexpr int32_t kEndCheckRestart = -60;
constexpr size_t kKeyFrameInfoArea = 49;
// Pictures given up in one pass at most, so that callers waiting for the
// play lock are not held up for long; catching up goes on next pass.
constexpr int kMostSkipsPerPass = 32;
// A seek decodes at most this many frames from the key frame to its target.
constexpr int kMostSeekFrames = 4096;
// Key frames passed over in one read backward (those not before the
// picture shown).
constexpr int kMostKeyReads = 8;
// A follower further behind than this jumps by key frame instead of
// decoding its way there.
constexpr int64_t kJumpBehind = 3000;  // ms

thread_local bool t_on_channel_worker = false;

uint32_t Low(uint64_t value) { return static_cast<uint32_t>(value); }
uint32_t High(uint64_t value) { return static_cast<uint32_t>(value >> 32); }

}  // namespace

CPlayer::CPlayer(TickClock& clock)
    : clock_(clock), worker_("brisca-channel"), work_(kVideoQueueBytes) {
  pacing_.Reset(clock_.Now());
  refresh_tick_ = pacing_.base;
  pending_info_.reserve(kMostSkipsPerPass);
  delivering_.reserve(kMostSkipsPerPass);
}

CPlayer::~CPlayer() { Close(); }

bool CPlayer::OnChannelWorker() { return t_on_channel_worker; }

void CPlayer::SetOwner(CChannelOwner* owner, int channel) {
  owner_ = owner;
  channel_ = channel;
}

int CPlayer::Open(const char* name, BR_VIDEO_TARGET* window) {
  CAutoLock control(&control_lock_);
  Close();
  if (!name) return 1;
  // The listed source decides the reader; a '/' names a stream file here.
  ListedReader made = MakeListedReader(name);
  if (!made.reader) return 1;
  std::unique_ptr<CRecFile> reader = std::move(made.reader);
  const int error = reader->Open(name);
  if (error != 0) return error;

  RecFileInfo info{};
  reader->CopyFileInfo(&info);
  int32_t width = 0;
  int32_t height = 0;
  reader->GetPictureSize(&width, &height);

  auto video = std::make_shared<CVDECHis>();
  video->Open(static_cast<uint32_t>(width), static_cast<uint32_t>(height), 0);
  video->BindDisplay(&display_);
  auto audio = CreateAudioDecoder(info.audio_codec);
  audio->Open();
  if (!video_queue_.Configure(kVideoQueueDescriptors, kVideoQueueBytes) ||
      !audio_queue_.Configure(kAudioQueueDescriptors, kAudioQueueBytes))
    return 1;

  CAutoLock hold(&play_lock_);
  display_.SetWindow(window);
  audio_output_.SetSource(&audio_queue_, audio.get());
  file_param_ = reader->file_param();
  units_per_ms_ = made.units_per_ms;
  RecFileParam in_ms = file_param_;
  in_ms.start /= units_per_ms_;
  wall_ = {RecordingWallStart(in_ms), in_ms.start};
  video_decoder_ = std::move(video);
  audio_decoder_ = std::move(audio);
  reader_ = std::move(reader);
  end_ = false;
  end_check_ = 0;
  last_shown_ = 0;
  last_step_ = 0;
  current_timestamp_ = 0;
  given_up_ = 0;
  {
    CAutoLock pending(&pending_lock_);
    pending_info_.clear();
    pending_end_ = false;
  }
  return 0;
}

void CPlayer::Close() {
  CAutoLock control(&control_lock_);
  Stop();
  CAutoLock hold(&play_lock_);
  if (reader_) reader_->Close();
  reader_.reset();
  if (video_decoder_) video_decoder_->Close();
  video_decoder_.reset();
  audio_output_.SetSource(&audio_queue_, nullptr);
  audio_decoder_.reset();
  display_.Release();
  display_.SetWindow(nullptr);
  video_queue_.Release();
  audio_queue_.Release();
}

int CPlayer::Play() {
  CAutoLock control(&control_lock_);
  if (!is_open()) return 1;
  Stop();
  {
    CAutoLock hold(&play_lock_);
    if (!reader_) return 1;
    reader_->Rewind();
    ResetPacing();
    ClearQueues();
    rate_ = 0;
    paused_ = false;
    current_timestamp_ = 0;
    last_step_ = 0;
    end_check_ = 0;
  }
  return worker_.Start(&CPlayer::WorkerEntry, this) == CThread::kStarted ? 0 : 1;
}

void CPlayer::Stop() {
  CAutoLock control(&control_lock_);
  worker_.Stop();
  CAutoLock hold(&play_lock_);
  if (sound_) {
    audio_output_.Close();
    sound_ = false;
  }
}

bool CPlayer::is_open() {
  CAutoLock hold(&play_lock_);
  return reader_ != nullptr;
}

uint32_t CPlayer::WorkerEntry(void* self) { return static_cast<CPlayer*>(self)->RunWorker(); }

uint32_t CPlayer::RunWorker() {
  t_on_channel_worker = true;
  {
    CAutoLock hold(&play_lock_);
    if (reader_) Prime();
    pacing_.Reset(clock_.Now());  // the primed pictures stay the last shown
    refresh_tick_ = pacing_.base;
  }
  DeliverPending();
  while (!worker_.StopRequested()) {
    uint32_t sleep_ms = 0;
    {
      // The sleep comes after the lock is released, so that callers are
      // not held up by a pass's wait.
      CAutoLock hold(&play_lock_);
      if (!reader_) {
        sleep_ms = kIdleSleep;  // closed from a callback on this thread
      } else if (paused_) {
        sleep_ms = kIdleSleep;
      } else if (!reverse_ || !RefusesBackwardPlay(file_param_.device_type)) {
        sleep_ms = Pass();
      }
      const uint32_t now = clock_.Now();
      if (now - refresh_tick_ >= kRefreshInterval) {
        if (video_decoder_) video_decoder_->Refresh();
        refresh_tick_ = now;
      }
    }
    DeliverPending();
    clock_.Sleep(sleep_ms, &worker_.stop_event());
  }
  t_on_channel_worker = false;
  return 0;
}

uint32_t CPlayer::Pass() {
  if (reverse_ || KeyFrameMode()) {
    // A picture's telemetry follows it into the queue, so the queue may
    // hold telemetry and no picture: that must not stop the refill.
    if (!HasPicture()) ReadKeyFrame(reverse_);
  } else if (video_queue_.Count() < kRefillBelow) {
    ReadFrames(kRefillReads);
  }

  bool follower = false;
  SyncReference reference;
  {
    CAutoLock hold(&sync_lock_);
    follower = follower_;
    reference = reference_;
  }
  // A channel that takes over as master (or stops following) starts its
  // own clock now rather than count the time it spent following as lag.
  if (follower != was_follower_) {
    was_follower_ = follower;
    ResetPacing();
  }

  uint64_t next = 0;
  const bool have_next = video_queue_.PeekVideoTimestamp(&next) == 1;
  uint32_t sleep_ms = 0;
  if (!have_next) {
    if (follower && video_queue_.Count() != 0) video_queue_.Clear();  // telemetry only
    if (end_) {
      NotifyEnd();
      sleep_ms = kIdleSleep;
    } else if (follower) {
      sleep_ms = kIdleSleep;
    }
  } else if (follower && reference.valid) {
    sleep_ms = FollowMaster(next, reference);
  } else {
    sleep_ms = PaceOwn(next, !reverse_ && IsCameraKind(file_param_.device_type));
  }
  if (!reverse_) EndCheck();
  return sleep_ms;
}

uint32_t CPlayer::PaceOwn(uint64_t next, bool camera_kind) {
  const uint32_t interval = FrameInterval(next, last_shown_, reverse_, rate_, camera_kind);
  const WaitDecision decision = WaitStep(pacing_, interval, clock_.Now());
  if (!decision.show) return decision.sleep_ms;
  if (pacing_.lag > kLagCap) {
    // Too far behind to make it up by showing sooner: go on to the frame
    // that is due, decoding the ones before it without showing them.
    for (int i = 0; i < kMostSkipsPerPass && HavePictures(2); ++i) {
      uint64_t first = 0;
      uint64_t second = 0;
      video_queue_.PeekVideoTimestamp(&first);
      video_queue_.PeekVideoTimestamp(&second, 1);
      const uint32_t step = FrameInterval(second, first, reverse_, rate_, camera_kind);
      if (step > kLongestWait || pacing_.lag < step) break;
      ShowOneFrame(true);
      ++given_up_;
      pacing_.lag -= step;
    }
  }
  ShowOneFrame();
  return decision.sleep_ms;
}

uint32_t CPlayer::FollowMaster(uint64_t next, const SyncReference& reference) {
  const int32_t direction = reverse_ ? -1 : 1;
  const int64_t moment = reference.MomentAt(clock_.Now());
  const int64_t next_wall = wall_.Wall(next);
  if (!IsDue(next_wall, moment, direction)) return FollowerWait(next_wall, moment, reference);
  if (!SkipToMoment(moment, direction)) return 0;
  ShowOneFrame();
  return 0;
}

bool CPlayer::SkipToMoment(int64_t moment, int32_t direction) {
  for (int i = 0; i < kMostSkipsPerPass; ++i) {
    if (!HavePictures(2)) return true;
    uint64_t next = 0;
    uint64_t after = 0;
    video_queue_.PeekVideoTimestamp(&next);
    video_queue_.PeekVideoTimestamp(&after, 1);
    if (!IsDue(wall_.Wall(after), moment, direction)) return true;
    const int64_t behind = direction * (moment - wall_.Wall(next));
    if (direction > 0 && !ReadsKeyFrames() && behind > kJumpBehind) {
      // Far behind: start again at the key frame before the moment; the
      // next passes decode from there.
      const int64_t offset = wall_.Offset(moment);
      if (offset >= 0 && offset <= INT32_MAX && reader_->Seek(static_cast<int32_t>(offset), 0) == 0) {
        ClearQueues();
        last_shown_ = 0;
        return false;
      }
    }
    ShowOneFrame(true);
    ++given_up_;
  }
  return false;
}

void CPlayer::EndCheck() {
  if (end_check_ < kEndChecksBeforeFirst) {
    ++end_check_;
  } else if (video_queue_.Count() == 0 && rate_ < kKeyFrameRate) {
    end_ = true;
    NotifyEnd();
    paused_ = true;
    if (master_) PublishReference();
    end_check_ = kEndCheckRestart;
  }
}

bool CPlayer::HavePictures(uint32_t count) {
  // Each read adds a picture or ends; forward reads may bring sound and
  // telemetry only, so they get a few more tries.
  for (int tries = 0; tries < 4; ++tries) {
    if (video_queue_.PeekVideoTimestamp(nullptr, count - 1) == 1) return true;
    if (end_) return false;
    if (ReadsKeyFrames()) {
      ReadKeyFrame(reverse_);
    } else {
      ReadFrames(kRefillReads);
    }
  }
  return video_queue_.PeekVideoTimestamp(nullptr, count - 1) == 1;
}

void CPlayer::ReadFrames(int times) {
  for (int i = 0; i < times; ++i) {
    RecFrame* frame = nullptr;
    RecFrame* info = nullptr;
    if (reader_->ReadFrame(&frame, &info) != 0) {
      end_ = true;
      return;
    }
    ToMilliseconds(frame);
    if (info) ToMilliseconds(info);
    PushFrame(frame);
    reader_->ReleaseFrame(frame);
    if (info) {
      PushFrame(info);
      reader_->ReleaseFrame(info);
    }
    end_ = false;
    CAutoLock hold(&end_lock_);
    end_notified_ = false;
  }
}

void CPlayer::ReadKeyFrame(bool backward) {
  const uint64_t shown = current_timestamp_;
  for (int i = 0; i < kMostKeyReads; ++i) {
    RecFrame* frame = nullptr;
    const int result = backward ? reader_->PrevKeyFrame(&frame) : reader_->NextKeyFrame(&frame);
    if (result != 0) {
      end_ = true;
      return;
    }
    ToMilliseconds(frame);
    // The reader steps back from what it read last, which may lie ahead of
    // the picture on screen.
    if (backward && shown != 0 && frame->timestamp >= shown) {
      reader_->ReleaseFrame(frame);
      continue;
    }
    PushFrame(frame);
    // Telemetry frames are not read while stepping over key frames, so each
    // key frame brings the telemetry that belongs to it.
    InfoRecord record{};
    if (reader_->KeyFrameInfo(&record)) {
      uint8_t area[kKeyFrameInfoArea] = {};
      std::memcpy(area, &record, sizeof record);
      DeliverInfo(area, sizeof area, frame->length, frame->timestamp);
    }
    {
      CAutoLock hold(&end_lock_);
      end_notified_ = false;
    }
    end_ = false;
    reader_->ReleaseFrame(frame);
    return;
  }
}

void CPlayer::ToMilliseconds(RecFrame* frame) const {
  if (units_per_ms_ > 1) frame->timestamp /= units_per_ms_;
}

void CPlayer::PushFrame(const RecFrame* frame) {
  CFrameQueue& queue = frame->kind == FRAME_AUDIO ? audio_queue_ : video_queue_;
  // A full queue refuses the frame; sound frames pile up unheard there
  // while the sound is off.
  queue.Push(frame->kind, frame->length, frame->timestamp, frame->data);
}

bool CPlayer::ShowOneFrame(bool hidden) {
  for (;;) {
    QueuedFrame frame;
    if (video_queue_.Pop(&frame, work_.data(), static_cast<uint32_t>(work_.size())) != 1)
      return false;
    const uint32_t length = std::min<uint32_t>(frame.length, static_cast<uint32_t>(work_.size()));
    if (frame.type == FRAME_INFO) {
      DeliverInfo(work_.data(), length, length, frame.timestamp);
      continue;
    }
    const uint8_t stamp[kPictureStampSize] = {};
    if (video_decoder_) {
      video_decoder_->SetHidden(hidden);
      video_decoder_->Decode(frame.type, work_.data(), length, Low(frame.timestamp),
                             High(frame.timestamp), stamp);
      video_decoder_->SetHidden(false);
    }
    last_shown_ = frame.timestamp;
    if (hidden) return true;
    const uint64_t before = current_timestamp_;
    const uint64_t step = before > frame.timestamp ? before - frame.timestamp
                                                   : frame.timestamp - before;
    last_step_ = before == 0 ? 0 : static_cast<uint32_t>(std::min<uint64_t>(step, UINT32_MAX));
    current_timestamp_ = frame.timestamp;
    if (master_) PublishReference();
    refresh_tick_ = clock_.Now();
    return true;
  }
}

void CPlayer::ShowAt(uint64_t target) {
  if (ReadsKeyFrames()) {
    // Key frames only: the one the reader landed on is the picture, and
    // what follows it in the stream is not wanted.
    for (int i = 0; i < kMostKeyReads && !HasPicture() && !end_; ++i) ReadFrames(kPrimeReads);
    ShowOneFrame();
    video_queue_.Clear();
    return;
  }
  for (int i = 0; i < kMostSeekFrames; ++i) {
    uint64_t after = 0;
    if (HavePictures(2) && video_queue_.PeekVideoTimestamp(&after, 1) == 1 && after <= target) {
      ShowOneFrame(true);
      continue;
    }
    ShowOneFrame();
    return;
  }
  ShowOneFrame();
}

void CPlayer::Prime() {
  ReadFrames(kPrimeReads);
  for (int i = 0; i < kPrimeFrames && ShowOneFrame(); ++i) {
  }
}

void CPlayer::ResetPacing() {
  pacing_.Reset(clock_.Now());
  last_shown_ = 0;
}

void CPlayer::ClearQueues() {
  video_queue_.Clear();
  audio_queue_.Clear();
}

void CPlayer::TrimSound() {
  const uint64_t shown = current_timestamp_;
  if (shown != 0) {
    audio_queue_.DropUntil(shown);
  } else {
    audio_queue_.Clear();
  }
}

void CPlayer::PublishReference() {
  const uint64_t shown = current_timestamp_;
  if (!owner_ || shown == 0) return;
  SyncReference reference =
      MakeReference(wall_.Wall(shown), clock_.Now(), last_step_, reverse_, rate_,
                    !reverse_ && IsCameraKind(file_param_.device_type));
  reference.held = paused_;
  owner_->MasterTime(channel_, shown, reference);
}

void CPlayer::NotifyEnd() {
  {
    CAutoLock hold(&end_lock_);
    if (end_notified_) return;
    end_notified_ = true;
  }
  // Reported once per end, like the callback: reporting on every pass
  // would move the synchronising channel back and forth.
  CAutoLock hold(&pending_lock_);
  pending_end_ = true;
}

void CPlayer::DeliverInfo(const uint8_t* record, uint32_t valid, uint32_t length,
                          uint64_t timestamp) {
  {
    CAutoLock hold(&info_lock_);
    if (!info_callback_) return;  // only the synchronising channel's are wanted
  }
  PendingInfo info;
  const uint32_t copied = std::min<uint32_t>(valid, kPendingInfoBytes);
  std::memcpy(info.bytes.data(), record, copied);
  // A telemetry frame reports what was copied; a key frame's record reports
  // the key frame's length, as it always has.
  info.length = length > kKeyFrameInfoArea ? length : copied;
  info.timestamp = timestamp;
  CAutoLock hold(&pending_lock_);
  pending_info_.push_back(info);
}

void CPlayer::DeliverPending() {
  bool end = false;
  {
    CAutoLock hold(&pending_lock_);
    delivering_.swap(pending_info_);
    end = pending_end_;
    pending_end_ = false;
  }
  if (!delivering_.empty()) {
    BR_INFO_FRAME_CALLBACK callback = nullptr;
    uint32_t user = 0;
    {
      CAutoLock hold(&info_lock_);
      callback = info_callback_;
      user = info_user_;
    }
    if (callback) {
      for (const PendingInfo& info : delivering_)
        callback(info.bytes.data(), info.length, Low(info.timestamp), High(info.timestamp), user);
    }
    delivering_.clear();
  }
  if (!end) return;
  BR_END_CALLBACK callback = nullptr;
  uint32_t user = 0;
  {
    CAutoLock hold(&end_lock_);
    callback = end_callback_;
    user = end_user_;
  }
  if (callback) callback(channel_, user);
  if (owner_) owner_->ChannelEnded(channel_);
}

bool CPlayer::HasPicture() { return video_queue_.PeekVideoTimestamp(nullptr) == 1; }

bool CPlayer::KeyFrameMode() const {
  return rate_ >= kKeyFrameRate && !IsCameraKind(file_param_.device_type);
}

void CPlayer::OpenSound() {
  if (!reader_) return;
  int32_t channels = 0;
  int32_t bits = 0;
  int32_t sample_rate = 0;
  int32_t samples_per_frame = 0;
  reader_->GetAudioFormat(&channels, &bits, &sample_rate, &samples_per_frame);
  audio_output_.Open(channels, bits, sample_rate, samples_per_frame);
}

void CPlayer::Pause(bool paused) {
  CAutoLock hold(&play_lock_);
  paused_ = paused;
  if (sound_) {
    // What was read ahead while a step held the picture is behind it now.
    if (!paused) TrimSound();
    audio_output_.Pause(paused);
  }
  if (!paused) ResetPacing();
  if (master_) PublishReference();
}

void CPlayer::Step() {
  CAutoLock hold(&play_lock_);
  if (!reader_) return;
  paused_ = true;
  if (sound_) audio_output_.Pause(true);  // a step shows a picture, it plays no sound
  if (!reverse_) {
    if (video_queue_.Count() < kRefillBelow) ReadFrames(kRefillReads);
  } else if (!HasPicture()) {
    ReadKeyFrame(true);
  }
  uint64_t next = 0;
  if (video_queue_.PeekVideoTimestamp(&next) != 1) {
    if (end_) NotifyEnd();
    return;
  }
  const SyncReference reference = this->reference();
  if (is_follower() && reference.valid) {
    const int32_t direction = reverse_ ? -1 : 1;
    const int64_t moment = reference.MomentAt(clock_.Now());
    if (!IsDue(wall_.Wall(next), moment, direction)) return;  // its moment has not come
    for (int pass = 0; pass < kMostSeekFrames / kMostSkipsPerPass; ++pass)
      if (SkipToMoment(moment, direction)) break;
  }
  ShowOneFrame();
}

void CPlayer::SetRate(int32_t rate, bool reverse) {
  CAutoLock hold(&play_lock_);
  if (reverse != reverse_) ClearQueues();
  reverse_ = reverse;
  rate_ = rate;
  ResetPacing();
  if (master_) PublishReference();
  if (!sound_) return;
  // Sound plays at normal speed only; it comes back with rate 0, from the
  // picture on screen rather than from what was read meanwhile.
  if (rate == 0) {
    TrimSound();
    OpenSound();
  } else {
    audio_output_.Close();
  }
}

int CPlayer::Seek(int32_t offset_ms) {
  CAutoLock hold(&play_lock_);
  if (!reader_ || reader_->Seek(offset_ms, 0) != 0) return 1;
  ResetPacing();
  ClearQueues();
  end_ = false;
  end_check_ = 0;
  current_timestamp_ = 0;
  last_step_ = 0;
  ShowAt(wall_.first_stamp + static_cast<uint64_t>(std::max(offset_ms, 0)));
  if (sound_) TrimSound();
  return 0;
}

int CPlayer::SoundOn() {
  CAutoLock hold(&play_lock_);
  if (sound_) return 1;
  if (rate_ == 0) {
    TrimSound();
    OpenSound();
    audio_output_.Pause(paused_);
  }
  sound_ = true;
  return 0;
}

int CPlayer::SoundOff() {
  CAutoLock hold(&play_lock_);
  if (!sound_) return 1;
  audio_output_.Close();
  sound_ = false;
  return 0;
}

void CPlayer::SetVolume(uint32_t volume) { audio_output_.SetVolume(volume); }

void CPlayer::SetInfoFrameCallback(uint32_t user, BR_INFO_FRAME_CALLBACK callback) {
  CAutoLock hold(&info_lock_);
  info_callback_ = callback;
  info_user_ = user;
}

void CPlayer::SetEndCallback(uint32_t user, BR_END_CALLBACK callback) {
  CAutoLock hold(&end_lock_);
  end_callback_ = callback;
  end_user_ = user;
}

void CPlayer::SetMaster(bool master) { master_ = master; }

void CPlayer::SetFollower(bool follower) {
  CAutoLock hold(&sync_lock_);
  follower_ = follower;
}

void CPlayer::SetMasterTime(uint64_t timestamp) {
  CAutoLock hold(&sync_lock_);
  master_time_ = timestamp;
}

void CPlayer::SetReference(const SyncReference& reference) {
  CAutoLock hold(&sync_lock_);
  reference_ = reference;
}

SyncReference CPlayer::reference() {
  CAutoLock hold(&sync_lock_);
  return reference_;
}

bool CPlayer::is_follower() {
  CAutoLock hold(&sync_lock_);
  return follower_;
}

uint64_t CPlayer::master_time() {
  CAutoLock hold(&sync_lock_);
  return master_time_;
}

int CPlayer::CopyFileInfo(RecFileInfo* out) {
  CAutoLock hold(&play_lock_);
  if (!reader_) return 1;
  return reader_->CopyFileInfo(out);
}

int CPlayer::Snapshot(const std::string& path, uint8_t stamp[kPictureStampSize]) {
  std::shared_ptr<CVDEC> decoder;
  {
    CAutoLock hold(&play_lock_);
    decoder = video_decoder_;
  }
  if (!decoder) return 1;
  // Written outside the play lock: the worker keeps showing pictures.
  return decoder->Snapshot(path, stamp);
}

void CPlayer::SetText(std::string_view text, int corner) { display_.SetText(text, corner); }

void CPlayer::InitWatermark(const std::string& path, bool enable, int alpha) {
  display_.InitWatermark(path, enable, alpha);
}

void CPlayer::EnableWatermark(bool enable) { display_.EnableWatermark(enable); }

void CPlayer::SetWatermarkAlpha(int alpha) { display_.SetWatermarkAlpha(alpha); }

}  // namespace brisca
