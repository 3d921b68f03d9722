// CPlayer: plays one recording in one window. A worker thread reads frames
// into a video queue (pictures and telemetry in stream order) and an audio
// queue (drained by the sound output), paces the pictures by their
// timestamps on the tick clock, decodes and shows them, hands telemetry to
// the info-frame callback and reports the end of the recording once. As a
// follower of another channel (CMulPlay) it keeps to the master's wall
// clock instead: it shows a picture when the master's moment reaches the
// picture's, waits while it is ahead and gives frames up while behind.
//
// Threads. Open, Close, Play and Stop run on callers' threads (never on a
// channel worker) and are serialised by the control lock, so a worker is
// never started on a closed channel. Pause, Step, SetRate, Seek, the sound
// and the inspection calls run on any thread. The worker runs the passes.
// Step and Seek present pictures on the calling thread; callbacks run on
// the worker only, after it has released the play lock: telemetry and end
// notices found by any thread are queued and delivered there.
//
// Locks, always taken in this order: the control lock, then the play lock
// (worker passes, pause, step, rate, seek, snapshot and file information),
// then the pending lock, the info lock, the end lock or a sync lock. The
// master's worker, under its play lock, reaches the followers' sync locks
// through the owner's state lock. No lock is held while a callback runs.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "brisca/base/mutex_lock.h"
#include "brisca/base/thread.h"
#include "brisca/decode/cadec.h"
#include "brisca/decode/cvdec.h"
#include "brisca/engine/frame_queue.h"
#include "brisca/engine/play_pacer.h"
#include "brisca/engine/tick_clock.h"
#include "brisca/engine/wall_clock.h"
#include "brisca/present/audio_output.h"
#include "brisca/present/direct_draw.h"
#include "brisca/recordings/rec_file.h"
#include "brisca/types/brisca_types.h"

namespace brisca {

class CChannelOwner;

// Rates from this one up play key frames only (other than camera kind).
inline constexpr int32_t kKeyFrameRate = 4;
inline constexpr uint32_t kRefreshInterval = 500;  // ms without a picture before redrawing

class CPlayer {
 public:
  explicit CPlayer(TickClock& clock = SystemTickClock());
  virtual ~CPlayer();
  CPlayer(const CPlayer&) = delete;
  CPlayer& operator=(const CPlayer&) = delete;

  // True on any channel player's worker thread: calls that wait for a
  // worker must refuse there, since that worker may be the caller.
  static bool OnChannelWorker();

  // The multi-channel player this channel reports to (may be null) and the
  // channel's index there. Set before the worker starts.
  void SetOwner(CChannelOwner* owner, int channel);

  // Opens a recording: a name of the listed source (a recorder-disk or card
  // recording name; listed_reader.h), or the path of a stream file on this
  // machine (a name containing '/'). Closes what was open. 0, or the
  // reader's error, 1 when the source cannot be read (the channel is then
  // left without a reader).
  int Open(const char* name, BR_VIDEO_TARGET* window);
  // Stops, then releases the reader and the decoders. Nothing is presented
  // and no callback is made once it has returned.
  void Close();
  // Starts the worker from the beginning of the recording at normal speed.
  // 1 when nothing is open.
  int Play();
  // Stops the worker (waiting for it) and closes the sound.
  void Stop();

  void Pause(bool paused);
  // Pauses and shows one frame: forward the next frame; backward the key
  // frame before the one shown. A follower shows its picture of the
  // master's moment instead (none while that moment has not come).
  void Step();
  void SetRate(int32_t rate, bool reverse);
  // Moves to `offset_ms` from the start of the recording and shows the
  // picture there even while paused; playing and stepping go on from it.
  // 1 when the reader refuses.
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
  // The master's clock; an invalid reference makes a follower pace itself.
  void SetReference(const SyncReference& reference);

  // Set by Open before the channel is shared, constant afterwards.
  RecFileParam file_param() const { return file_param_; }
  const WallMapping& wall() const { return wall_; }
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
  // Milliseconds, like every timestamp the engine keeps.
  uint64_t start_time() const { return wall_.first_stamp; }
  int channel() const { return channel_; }
  bool is_open();
  bool sound_selected() const { return sound_.load(); }
  // The sound device is open (sound selected at normal speed).
  bool sound_playing() const { return audio_output_.state() == CAudioOutput::kOpen; }
  bool paused() const { return paused_.load(); }
  bool is_master() const { return master_.load(); }
  bool is_follower();
  uint64_t master_time();
  // Frames decoded but not shown, to catch up with the due time or the
  // master, since the file was opened.
  uint32_t given_up_frames() const { return given_up_.load(); }

 private:
  // Telemetry found under the play lock, delivered by the worker.
  static constexpr size_t kPendingInfoBytes = 64;
  struct PendingInfo {
    uint32_t length = 0;
    uint64_t timestamp = 0;
    std::array<uint8_t, kPendingInfoBytes> bytes{};
  };

  static uint32_t WorkerEntry(void* self);
  uint32_t RunWorker();
  // One pass; the result is how long to sleep after it (ms).
  uint32_t Pass();
  // Shows the next picture when it is due on the channel's own clock.
  uint32_t PaceOwn(uint64_t next, bool camera_kind);
  // Shows the picture of the master's moment, if it has come.
  uint32_t FollowMaster(uint64_t next, const SyncReference& reference);
  // Gives up pictures while the one after the next is also due at the
  // master's moment `moment`. False when the bound of a pass was reached.
  bool SkipToMoment(int64_t moment, int32_t direction);
  void EndCheck();

  // Reads until the video queue holds `count` pictures or the recording
  // ends: frames going forward, key frames in key-frame and backward play.
  bool HavePictures(uint32_t count);
  // Reads `times` frames into the queues.
  void ReadFrames(int times);
  // Reads the next (previous) key frame into the video queue and reports
  // its telemetry. Backward, key frames not before the picture shown are
  // passed over, so playing and stepping back never move forward.
  void ReadKeyFrame(bool backward);
  // Brings a frame the reader handed out to milliseconds.
  void ToMilliseconds(RecFrame* frame) const;
  void PushFrame(const RecFrame* frame);
  // Shows the next picture, delivering the telemetry queued before it;
  // hidden, it is decoded only. False when the video queue held no picture.
  bool ShowOneFrame(bool hidden = false);
  // Shows the picture at `target` (the last frame at or before it),
  // decoding the frames before it hidden.
  void ShowAt(uint64_t target);
  void Prime();
  void ResetPacing();
  void ClearQueues();
  // The sound queue's frames behind the picture shown are dropped.
  void TrimSound();
  void PublishReference();
  void NotifyEnd();
  // Copies at most `valid` bytes of `record`; `length` is the length reported.
  void DeliverInfo(const uint8_t* record, uint32_t valid, uint32_t length, uint64_t timestamp);
  // Runs the callbacks queued meanwhile; on the worker, with no lock held.
  void DeliverPending();
  bool KeyFrameMode() const;
  bool ReadsKeyFrames() const { return reverse_ || KeyFrameMode(); }
  bool HasPicture();
  void OpenSound();
  SyncReference reference();

  TickClock& clock_;
  CThread worker_;
  CFrameQueue video_queue_;
  CFrameQueue audio_queue_;
  CDirectDraw display_;
  CAudioOutput audio_output_;
  // Holds any frame the video queue can hold.
  std::vector<uint8_t> work_;

  CMutexLock control_lock_;  // Open, Close, Play, Stop

  CMutexLock play_lock_;
  // Guarded by play_lock_:
  std::shared_ptr<CVDEC> video_decoder_;  // shared with a snapshot being written
  std::unique_ptr<CADEC> audio_decoder_;
  Pacing pacing_;
  uint32_t refresh_tick_ = 0;
  std::unique_ptr<CRecFile> reader_;
  bool end_ = false;
  int32_t rate_ = 0;
  bool reverse_ = false;
  uint64_t last_shown_ = 0;  // pacing: 0 after a reset
  uint32_t last_step_ = 0;   // ms of recording between the last two pictures shown
  bool was_follower_ = false;
  int32_t end_check_ = 0;

  // Written by Open before the channel is shared.
  RecFileParam file_param_{};  // as the reader gave it, in its timestamp units
  // The reader's timestamp units in a millisecond; frames are brought to
  // milliseconds as they are read.
  uint64_t units_per_ms_ = 1;
  WallMapping wall_;

  std::atomic<uint64_t> current_timestamp_{0};
  std::atomic<bool> sound_{false};
  std::atomic<bool> paused_{false};
  std::atomic<bool> master_{false};
  std::atomic<uint32_t> given_up_{0};

  CMutexLock pending_lock_;
  // Guarded by pending_lock_:
  std::vector<PendingInfo> pending_info_;
  bool pending_end_ = false;
  // Worker only: the batch being delivered.
  std::vector<PendingInfo> delivering_;

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
  SyncReference reference_;

  CChannelOwner* owner_ = nullptr;
  int channel_ = 0;
};

}  // namespace brisca
