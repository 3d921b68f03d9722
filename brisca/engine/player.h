// CPlayer: plays one recording in one window. A worker thread reads frames
// into a video queue (pictures and telemetry in stream order) and an audio
// queue (drained by the sound output), paces the pictures by their
// timestamps on the tick clock, decodes and shows them, hands telemetry to
// the info-frame callback and reports the end of the recording once. As a
// follower of another channel (CMulPlay) it corrects its pacing against the
// master's timestamp.
//
// Threads: the operations below run on the caller's thread; the worker runs
// the passes; callbacks run on the worker. Locks, always taken in this
// order: the play lock (worker passes, pause, step, rate, seek), then the
// info lock, the end lock or a sync lock. The master's worker, under its
// play lock, reaches the followers' sync locks through the owner; the end
// report, under the end lock, reaches the other channels' sync locks.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "brisca/api/brisca.h"
#include "brisca/base/mutex_lock.h"
#include "brisca/base/thread.h"
#include "brisca/decode/cadec.h"
#include "brisca/decode/cvdec.h"
#include "brisca/engine/frame_queue.h"
#include "brisca/engine/play_pacer.h"
#include "brisca/engine/tick_clock.h"
#include "brisca/present/audio_output.h"
#include "brisca/present/direct_draw.h"
#include "brisca/recordings/rec_file.h"

namespace brisca {

class CMulPlay;

// Rates from this one up play key frames only (other than camera kind).
inline constexpr int32_t kKeyFrameRate = 4;
inline constexpr uint32_t kRefreshInterval = 500;  // ms without a picture before redrawing

class CPlayer {
 public:
  explicit CPlayer(TickClock& clock = SystemTickClock());
  virtual ~CPlayer();
  CPlayer(const CPlayer&) = delete;
  CPlayer& operator=(const CPlayer&) = delete;

  // The multi-channel player this channel reports to (may be null) and the
  // channel's index there. Set before the worker starts.
  void SetOwner(CMulPlay* owner, int channel);

  // Opens a recording: a recorder-disk recording name, or the path of a
  // stream file on this machine (a name containing '/'). Closes what was
  // open. 0, or the reader's error (the channel is then left without one).
  int Open(const char* name, BR_VIDEO_TARGET* window);
  // Stops, then releases the reader and the decoders.
  void Close();
  // Starts the worker from the beginning of the recording at normal speed.
  // 1 when nothing is open.
  int Play();
  // Stops the worker (waiting for it) and closes the sound.
  void Stop();

  void Pause(bool paused);
  // Pauses and shows one frame (a follower: as many as bring it toward its
  // master, 0 to 2).
  void Step();
  void SetRate(int32_t rate, bool reverse);
  // Moves to `offset_ms` from the start of the recording and shows the
  // picture there even while paused. 1 when the reader refuses.
  int Seek(int32_t offset_ms);
  // 1 when sound is already on (off); 0 otherwise.
  int SoundOn();
  int SoundOff();
  void SetVolume(uint32_t volume);

  void SetInfoFrameCallback(uint32_t user, BR_INFO_FRAME_CALLBACK callback);
  void SetEndCallback(uint32_t user, BR_END_CALLBACK callback);

  // Master and follower roles (CMulPlay arms them).
  void SetMaster(bool master);
  void SetFollower(bool follower);
  void SetMasterTime(uint64_t timestamp);

  RecFileParam file_param() const { return file_param_; }
  // The open reader's information record; 1 when nothing is open.
  int CopyFileInfo(RecFileInfo* out);
  // Writes the last picture as a BMP file; see CVDEC::Snapshot. 1 when
  // nothing is open.
  int Snapshot(const std::string& path, uint8_t stamp[kPictureStampSize]);

  void SetText(std::string_view text, int corner);
  void InitWatermark(const std::string& path, bool enable, int alpha);
  void EnableWatermark(bool enable);
  void SetWatermarkAlpha(int alpha);

  // Timestamp of the frame last shown (0 before the first).
  uint64_t current_timestamp() const { return current_timestamp_.load(); }
  // Timestamp of the recording's first frame.
  uint64_t start_time() const { return file_param_.start; }
  int channel() const { return channel_; }
  bool is_open() const { return reader_ != nullptr; }
  bool sound_selected() const { return sound_.load(); }
  // The sound device is open (sound selected at normal speed).
  bool sound_playing() const { return audio_output_.state() == CAudioOutput::kOpen; }
  bool paused() const { return paused_.load(); }
  bool is_master() const { return master_.load(); }
  bool is_follower();
  uint64_t master_time();
  // Frames the queues refused since the file was opened.
  uint32_t dropped_frames() const { return dropped_.load(); }

 private:
  static uint32_t WorkerEntry(void* self);
  uint32_t RunWorker();
  // One pass each; the result is how long to sleep after it (ms).
  uint32_t ForwardPass();
  uint32_t BackwardPass();
  // Reads `times` frames into the queues.
  void ReadFrames(int times);
  // Reads the next (previous) key frame into the video queue and reports
  // its telemetry.
  void ReadKeyFrame(bool backward);
  void PushFrame(const RecFrame* frame);
  // Shows the next picture, delivering the telemetry queued before it.
  // False when the video queue held no picture.
  bool ShowOneFrame();
  void Prime();
  void ResetPacing();
  void ClearQueues();
  void NotifyEnd();
  void DeliverInfo(const uint8_t* record, uint32_t length, uint64_t timestamp);
  bool KeyFrameMode() const;
  bool HasPicture();
  void OpenSound();

  TickClock& clock_;
  CThread worker_;
  CFrameQueue video_queue_;
  CFrameQueue audio_queue_;
  CDirectDraw display_;
  std::unique_ptr<CVDEC> video_decoder_;
  std::unique_ptr<CADEC> audio_decoder_;
  CAudioOutput audio_output_;
  // Holds any frame the video queue can hold.
  std::vector<uint8_t> work_;

  CMutexLock play_lock_;
  // Guarded by play_lock_:
  Pacing pacing_;
  uint32_t refresh_tick_ = 0;
  std::unique_ptr<CRecFile> reader_;
  bool end_ = false;
  int32_t rate_ = 0;
  bool reverse_ = false;
  uint64_t last_shown_ = 0;
  int32_t end_check_ = 0;
  RecFileParam file_param_{};
  int32_t audio_codec_ = 2;

  std::atomic<uint64_t> current_timestamp_{0};
  std::atomic<bool> sound_{false};
  std::atomic<bool> paused_{false};
  std::atomic<bool> master_{false};
  std::atomic<uint32_t> dropped_{0};

  CMutexLock info_lock_;
  // Guarded by info_lock_:
  BR_INFO_FRAME_CALLBACK info_callback_ = nullptr;
  uint32_t info_user_ = 0;

  CMutexLock end_lock_;
  // Guarded by end_lock_:
  bool end_notified_ = false;
  BR_END_CALLBACK end_callback_ = nullptr;
  uint32_t end_user_ = 0;

  CMutexLock sync_lock_;
  // Guarded by sync_lock_:
  bool follower_ = false;
  uint64_t master_time_ = 0;
  uint32_t master_tick_ = 0;  // when master_time_ was shown

  CMulPlay* owner_ = nullptr;
  int channel_ = 0;
};

}  // namespace brisca
