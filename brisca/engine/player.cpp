#include "brisca/engine/player.h"

#include <algorithm>
#include <cstring>

#include "brisca/decode/cadec_factory.h"
#include "brisca/decode/cvdec_his.h"
#include "brisca/engine/mul_play.h"
#include "brisca/recordings/file_nvr.h"
#include "brisca/recordings/info_record.h"

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

uint32_t Low(uint64_t value) { return static_cast<uint32_t>(value); }
uint32_t High(uint64_t value) { return static_cast<uint32_t>(value >> 32); }

}  // namespace

CPlayer::CPlayer(TickClock& clock)
    : clock_(clock), worker_("brisca-channel"), work_(kVideoQueueBytes) {
  pacing_.Reset(clock_.Now());
  refresh_tick_ = pacing_.base;
}

CPlayer::~CPlayer() { Close(); }

void CPlayer::SetOwner(CMulPlay* owner, int channel) {
  owner_ = owner;
  channel_ = channel;
}

int CPlayer::Open(const char* name, BR_VIDEO_TARGET* window) {
  Close();
  if (!name) return 1;
  // Disk recording names use backslashes; a '/' names a stream file here.
  auto reader = std::make_unique<CFileNvr>(std::strchr(name, '/') ? 0 : 1);
  const int error = reader->Open(name);
  if (error != 0) return error;

  RecFileInfo info{};
  reader->CopyFileInfo(&info);
  int32_t width = 0;
  int32_t height = 0;
  reader->GetPictureSize(&width, &height);

  auto video = std::make_unique<CVDECHis>();
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
  audio_codec_ = info.audio_codec;
  file_param_ = reader->file_param();
  video_decoder_ = std::move(video);
  audio_decoder_ = std::move(audio);
  reader_ = std::move(reader);
  end_ = false;
  end_check_ = 0;
  last_shown_ = 0;
  current_timestamp_ = 0;
  dropped_ = 0;
  return 0;
}

void CPlayer::Close() {
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
  if (!reader_) return 1;
  Stop();
  {
    CAutoLock hold(&play_lock_);
    reader_->Rewind();
    ResetPacing();
    ClearQueues();
    rate_ = 0;
    paused_ = false;
  }
  return worker_.Start(&CPlayer::WorkerEntry, this) == 1 ? 0 : 1;
}

void CPlayer::Stop() {
  worker_.Stop();
  if (sound_) {
    audio_output_.Close();
    sound_ = false;
  }
}

uint32_t CPlayer::WorkerEntry(void* self) { return static_cast<CPlayer*>(self)->RunWorker(); }

uint32_t CPlayer::RunWorker() {
  {
    CAutoLock hold(&play_lock_);
    Prime();
    pacing_.Reset(clock_.Now());  // the primed pictures stay the last shown
    refresh_tick_ = pacing_.base;
  }
  while (!worker_.StopRequested()) {
    uint32_t sleep_ms = 0;
    {
      // The sleep comes after the lock is released, so that callers are
      // not held up by a pass's wait.
      CAutoLock hold(&play_lock_);
      if (paused_) {
        sleep_ms = kIdleSleep;
      } else if (!reverse_) {
        sleep_ms = ForwardPass();
      } else if (!RefusesBackwardPlay(file_param_.device_type)) {
        sleep_ms = BackwardPass();
      }
      const uint32_t now = clock_.Now();
      if (now - refresh_tick_ >= kRefreshInterval) {
        if (video_decoder_) video_decoder_->Refresh();
        refresh_tick_ = now;
      }
    }
    clock_.Sleep(sleep_ms, &worker_.stop_event());
  }
  return 0;
}

uint32_t CPlayer::ForwardPass() {
  if (KeyFrameMode()) {
    // A picture's telemetry follows it into the queue, so the queue may
    // hold telemetry and no picture: that must not stop the refill.
    if (!HasPicture()) ReadKeyFrame(false);
  } else if (video_queue_.Count() < kRefillBelow) {
    ReadFrames(kRefillReads);
  }

  uint64_t next = 0;
  const bool have_next = video_queue_.PeekVideoTimestamp(&next) == 1;
  bool follower = false;
  uint64_t master = 0;
  uint32_t master_tick = 0;
  {
    CAutoLock hold(&sync_lock_);
    follower = follower_;
    master = master_time_;
    master_tick = master_tick_;
  }
  if (follower && !have_next) {
    if (video_queue_.Count() != 0) video_queue_.Clear();  // telemetry only
    if (end_) NotifyEnd();
    return kIdleSleep;
  }

  uint32_t sleep_ms = 0;
  if (!have_next) {
    if (end_) {
      NotifyEnd();
      sleep_ms = kIdleSleep;
    }
  } else {
    const uint32_t interval = FrameInterval(next, last_shown_, false, rate_,
                                            IsCameraKind(file_param_.device_type));
    const uint32_t now = clock_.Now();
    if (follower) {
      // At normal speed the master's clock is known well enough to keep to
      // it; at other rates only the coarse correction applies.
      if (rate_ == 0) {
        AlignToMaster(pacing_, interval, next, master, master_tick, now);
      } else {
        CorrectForward(pacing_, next, master);
      }
    }
    const WaitDecision decision = WaitStep(pacing_, interval, now);
    if (decision.show) ShowOneFrame();
    sleep_ms = decision.sleep_ms;
  }

  if (end_check_ < kEndChecksBeforeFirst) {
    ++end_check_;
  } else if (video_queue_.Count() == 0 && rate_ < kKeyFrameRate) {
    end_ = true;
    NotifyEnd();
    paused_ = true;
    end_check_ = kEndCheckRestart;
  }
  return sleep_ms;
}

uint32_t CPlayer::BackwardPass() {
  if (!HasPicture()) ReadKeyFrame(true);

  uint64_t next = 0;
  const bool have_next = video_queue_.PeekVideoTimestamp(&next) == 1;
  bool follower = false;
  uint64_t master = 0;
  {
    CAutoLock hold(&sync_lock_);
    follower = follower_;
    master = master_time_;
  }
  if (follower) {
    if (!have_next) {
      if (video_queue_.Count() != 0) video_queue_.Clear();
      return kIdleSleep;
    }
    CorrectBackward(pacing_, next, master, clock_.Now());
  }

  if (!have_next) {
    if (!end_) return 0;
    NotifyEnd();
    return kIdleSleep;
  }
  const uint32_t interval = FrameInterval(next, last_shown_, true, rate_, false);
  const WaitDecision decision = WaitStep(pacing_, interval, clock_.Now());
  if (decision.show) ShowOneFrame();
  return decision.sleep_ms;
}

void CPlayer::ReadFrames(int times) {
  for (int i = 0; i < times; ++i) {
    RecFrame* frame = nullptr;
    RecFrame* info = nullptr;
    if (reader_->ReadFrame(&frame, &info) != 0) {
      end_ = true;
      return;
    }
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
  RecFrame* frame = nullptr;
  const int result = backward ? reader_->PrevKeyFrame(&frame) : reader_->NextKeyFrame(&frame);
  if (result != 0) {
    end_ = true;
    return;
  }
  PushFrame(frame);
  // Telemetry frames are not read while stepping over key frames, so each
  // key frame brings the telemetry that belongs to it.
  InfoRecord record{};
  if (reader_->KeyFrameInfo(&record)) {
    uint8_t area[kKeyFrameInfoArea] = {};
    std::memcpy(area, &record, sizeof record);
    DeliverInfo(area, frame->length, frame->timestamp);
  }
  {
    CAutoLock hold(&end_lock_);
    end_notified_ = false;
  }
  end_ = false;
  reader_->ReleaseFrame(frame);
}

void CPlayer::PushFrame(const RecFrame* frame) {
  const bool audio = frame->kind == FRAME_AUDIO;
  CFrameQueue& queue = audio ? audio_queue_ : video_queue_;
  const int stored = queue.Push(frame->kind, frame->length, frame->timestamp, frame->data);
  // Sound frames pile up unheard while the sound is off; only pictures and
  // telemetry count as lost.
  if (stored != 1 && !audio) ++dropped_;
}

bool CPlayer::ShowOneFrame() {
  for (;;) {
    QueuedFrame frame;
    if (video_queue_.Pop(&frame, work_.data(), static_cast<uint32_t>(work_.size())) != 1)
      return false;
    const uint32_t length = std::min<uint32_t>(frame.length, static_cast<uint32_t>(work_.size()));
    if (frame.type == FRAME_INFO) {
      DeliverInfo(work_.data(), length, frame.timestamp);
      continue;
    }
    const uint8_t stamp[kPictureStampSize] = {};
    if (video_decoder_)
      video_decoder_->Decode(frame.type, work_.data(), length, Low(frame.timestamp),
                             High(frame.timestamp), stamp);
    last_shown_ = frame.timestamp;
    current_timestamp_ = frame.timestamp;
    if (master_ && owner_) owner_->MasterTime(channel_, frame.timestamp);
    refresh_tick_ = clock_.Now();
    return true;
  }
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

void CPlayer::NotifyEnd() {
  CAutoLock hold(&end_lock_);
  if (end_notified_) return;
  end_notified_ = true;
  if (end_callback_) end_callback_(channel_, end_user_);
  // Reported once per end, like the callback: reporting on every pass
  // would move the synchronising channel back and forth.
  if (owner_) owner_->ChannelEnded(channel_);
}

void CPlayer::DeliverInfo(const uint8_t* record, uint32_t length, uint64_t timestamp) {
  CAutoLock hold(&info_lock_);
  if (info_callback_)
    info_callback_(record, length, Low(timestamp), High(timestamp), info_user_);
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
  if (sound_) audio_output_.Pause(paused);
  if (!paused) ResetPacing();
}

void CPlayer::Step() {
  CAutoLock hold(&play_lock_);
  if (!reader_) return;
  paused_ = true;
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
  bool follower = false;
  uint64_t master = 0;
  {
    CAutoLock sync(&sync_lock_);
    follower = follower_;
    master = master_time_;
  }
  const int frames = follower ? FollowerStepFrames(reverse_, next, master) : 1;
  for (int i = 0; i < frames; ++i) ShowOneFrame();
}

void CPlayer::SetRate(int32_t rate, bool reverse) {
  CAutoLock hold(&play_lock_);
  if (reverse && !reverse_) ClearQueues();
  reverse_ = reverse;
  rate_ = rate;
  ResetPacing();
  if (!sound_) return;
  // Sound plays at normal speed only; it comes back with rate 0.
  if (rate == 0) {
    OpenSound();
  } else {
    audio_output_.Close();
  }
}

int CPlayer::Seek(int32_t offset_ms) {
  CAutoLock hold(&play_lock_);
  if (!reader_ || reader_->Seek(offset_ms, 0) != 0) return 1;
  // Show the picture at the new position now, even while paused; then
  // start reading there again.
  ResetPacing();
  ClearQueues();
  Prime();
  reader_->Seek(offset_ms, 0);
  ResetPacing();
  ClearQueues();
  return 0;
}

int CPlayer::SoundOn() {
  CAutoLock hold(&play_lock_);
  if (sound_) return 1;
  if (rate_ == 0) {
    if (last_shown_ != 0) {
      audio_queue_.DropUntil(last_shown_);
    } else {
      audio_queue_.Clear();
    }
    OpenSound();
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
  const uint32_t now = clock_.Now();
  CAutoLock hold(&sync_lock_);
  master_time_ = timestamp;
  master_tick_ = now;
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
  if (!reader_) return 1;
  return reader_->CopyFileInfo(out);
}

int CPlayer::Snapshot(const std::string& path, uint8_t stamp[kPictureStampSize]) {
  if (!video_decoder_) return 1;
  return video_decoder_->Snapshot(path, stamp);
}

void CPlayer::SetText(std::string_view text, int corner) { display_.SetText(text, corner); }

void CPlayer::InitWatermark(const std::string& path, bool enable, int alpha) {
  display_.InitWatermark(path, enable, alpha);
}

void CPlayer::EnableWatermark(bool enable) { display_.EnableWatermark(enable); }

void CPlayer::SetWatermarkAlpha(int alpha) { display_.SetWatermarkAlpha(alpha); }

}  // namespace brisca
