// CMulPlay: the object behind a decoder handle. Up to eight channel players
// play recordings of one moment, kept in step by the wall-clock time of
// their frames: the synchronising channel (the master) paces itself and
// hands its moment to the others (the followers) after every frame it
// shows and whenever its pace changes; a follower shows the picture of that
// moment, waits while its recording has not reached it and gives frames up
// while behind. The synchronising channel is elected when files are opened
// and when the master's recording ends, and can be chosen by the caller.
//
// Threads: every operation may run on any thread, MasterTime and
// ChannelEnded run on channel workers. Open, Close, CloseAll, Play, Stop
// and Shutdown wait for workers and refuse (1, or nothing done) when called
// on a channel worker, which may be the one they would wait for. The
// slots, the synchronising channel, start times, playing marks and the
// volume are guarded by one state lock, which is held only briefly and
// never while a player is stopped or a player's play lock is taken, so a
// worker reporting to the owner never waits for a caller that waits for
// that worker. Callers take a reference to the players they act on, so a
// channel closed by another thread meanwhile is destroyed only when they
// are done.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "brisca/base/mutex_lock.h"
#include "brisca/engine/channel_owner.h"
#include "brisca/engine/player.h"
#include "brisca/engine/tick_clock.h"
#include "brisca/types/brisca_types.h"

namespace brisca {

inline constexpr int kChannelSlots = 8;
inline constexpr uint64_t kNoStartTime = ~uint64_t{0};

class CMulPlay final : public CChannelOwner {
 public:
  explicit CMulPlay(TickClock& clock = SystemTickClock());
  // Closes every channel still open, so no worker outlives the object.
  virtual ~CMulPlay();
  // Closes every channel and refuses any later Open, so that nothing is
  // presented once the handle is gone. 1 on a channel worker.
  int Shutdown();
  CMulPlay(const CMulPlay&) = delete;
  CMulPlay& operator=(const CMulPlay&) = delete;

  // Opens a recording in a slot (closing what the slot held) and elects the
  // synchronising channel. 0, the channel player's error, or 1 for a
  // channel outside 0-7 or after Shutdown.
  int Open(const char* name, BR_VIDEO_TARGET* window, int channel);
  // Stops and destroys the slot's player; the slot's start time and playing
  // mark are cleared so that no election can choose it. 0, or 1 on a
  // channel worker.
  int Close(int channel);
  int CloseAll();
  // Arms master and followers and plays the channel. 1 for an empty slot.
  int Play(int channel);
  int Stop(int channel);

  // Applied to every occupied slot, the synchronising channel first, so
  // that the followers find its new moment.
  void Pause(bool paused);
  void Step();
  void SetRate(int32_t rate, bool reverse);
  // Puts every channel at the wall-clock moment `offset_ms` after the start
  // of the synchronising channel's recording. A channel whose recording
  // starts later shows its first picture (and waits for the moment); one
  // that ended before shows its last picture (and ends).
  void Seek(int32_t offset_ms);
  void SetEndCallback(uint32_t user, BR_END_CALLBACK callback);
  void SoundOff();
  void SetVolume(uint32_t volume);
  void SetText(std::string_view text, int corner);
  void InitWatermark(const std::string& path, bool enable, int alpha);
  void EnableWatermark(bool enable);
  void SetWatermarkAlpha(int alpha);

  // The synchronising slot only.
  void SetInfoFrameCallback(uint32_t user, BR_INFO_FRAME_CALLBACK callback);
  // Sound on for `channel`, off for every other slot.
  void SoundOn(int channel);

  int sync_channel();
  // Changes the synchronising channel and re-arms masters and followers.
  // 1 for a channel outside 0-7.
  int SetSyncChannel(int channel);
  int channel_count();

  // The synchronising channel's record with the duration widened to the
  // longest open recording. 1 when the synchronising slot is empty.
  int FileInfo(RecFileParam* out);
  // Milliseconds from the synchronising channel's first frame to its
  // current frame. 1 when the synchronising slot is empty.
  int PlayPosition(int32_t* ms);
  // 1 for an empty slot.
  int Snapshot(int channel, const std::string& path, uint8_t stamp[kPictureStampSize]);
  // 1 for an empty slot or nothing open.
  int CopyFileInfo(int channel, RecFileInfo* out);
  // The slot's player, or null (for inspection).
  std::shared_ptr<CPlayer> player(int channel);

  // From the master's worker after each frame it shows and when its pace
  // changes; only the synchronising channel's reach the followers.
  void MasterTime(int channel, uint64_t timestamp, const SyncReference& reference = {}) override;
  // From a channel's worker each time it reports the end of its recording.
  void ChannelEnded(int channel) override;

 private:
  static bool ValidChannel(int channel) { return channel >= 0 && channel < kChannelSlots; }
  std::vector<std::shared_ptr<CPlayer>> Occupied();
  // Puts every player at the wall-clock `moment` (players: master first).
  static void SeekAllTo(const std::vector<std::shared_ptr<CPlayer>>& players, int64_t moment);
  // Occupied, the synchronising channel first.
  std::vector<std::shared_ptr<CPlayer>> MasterFirst();
  // Call with state_lock_ held.
  void ElectOnOpen(int channel);
  void RearmLocked(int master);
  int CountLocked() const;

  TickClock& clock_;
  CMutexLock state_lock_;
  // Guarded by state_lock_:
  std::array<std::shared_ptr<CPlayer>, kChannelSlots> slots_;
  int channel_count_ = 0;
  int sync_channel_ = 0;
  std::array<uint64_t, kChannelSlots> start_times_;
  std::array<bool, kChannelSlots> playing_{};
  uint32_t volume_ = 0xFFFF;
  int32_t rate_ = 0;
  bool reverse_ = false;
  bool shut_down_ = false;
};

}  // namespace brisca
