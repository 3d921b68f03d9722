// The pacing rules of a channel player as plain functions: the interval to
// the next frame at a rate and direction, the wait step against the tick
// counter, and a follower's keeping to its master's wall clock.
// The worker applies them; tests drive them without threads.
#pragma once

#include <cstdint>

namespace brisca {

inline constexpr uint32_t kDefaultFrameInterval = 40;  // ms, when nothing was shown yet
inline constexpr uint32_t kLongestWait = 5000;  // ms; longer intervals show at once

// The device-type identifier of a recording (11 bytes, not terminated):
// the camera kind paces fast forward differently and plays key frames at
// every rate; some devices do not play backward at all.
bool IsCameraKind(const char* device_type);
bool RefusesBackwardPlay(const char* device_type);

// Interval before the frame stamped `next` after the frame stamped
// `last_shown` (0: none shown), changed by the rate. Unsigned: a
// subtraction below zero wraps, which the wait step treats as too long.
uint32_t FrameInterval(uint64_t next, uint64_t last_shown, bool reverse, int32_t rate,
                       bool camera_kind);

// Tick base and accumulated lag.
struct Pacing {
  uint32_t base = 0;
  uint32_t lag = 0;
  void Reset(uint32_t now) {
    base = now;
    lag = 0;
  }
};

struct WaitDecision {
  bool show = false;
  uint32_t sleep_ms = 0;  // how long to sleep before the next pass
};

// Decides whether the next frame is due at `now`, updating the pacing. The
// lag carried from late frames counts as time already waited.
WaitDecision WaitStep(Pacing& pacing, uint32_t interval, uint32_t now);

// What a follower knows of the synchronising channel's clock: the
// wall-clock moment of the picture it showed last, when it showed it and
// how fast its moments advance. Published by the master after every
// picture and whenever its pace changes (pause, resume, rate).
struct SyncReference {
  bool valid = false;
  int64_t wall = 0;         // ms since the epoch, of the master's picture
  uint32_t tick = 0;        // tick count when it was shown (or its pace changed)
  int32_t direction = 1;    // +1 forward, -1 backward
  uint32_t stream_ms = kDefaultFrameInterval;  // master's frame step, ms of recording
  uint32_t real_ms = kDefaultFrameInterval;    // ... taking this many ms of the clock
  bool held = false;        // paused or ended: the moment does not advance

  // The master's moment at `now`: its picture's, advanced at its speed by
  // the time since, but never past its next frame, so a master that falls
  // behind holds its followers back instead of being overtaken.
  int64_t MomentAt(uint32_t now) const;
};

// The reference for a master that shows the picture at `wall` at `now`,
// having stepped `step_ms` of recording from the picture before (0:
// unknown), at a rate and direction.
SyncReference MakeReference(int64_t wall, uint32_t now, uint32_t step_ms, bool reverse,
                            int32_t rate, bool camera_kind);

// A follower's frame at `frame_wall` is due once the master's moment has
// reached it in the direction of play.
bool IsDue(int64_t frame_wall, int64_t moment, int32_t direction);

// How long a follower whose next frame is not due yet sleeps: about until
// the moment reaches it, between 1 and kFollowerPoll ms.
inline constexpr uint32_t kFollowerPoll = 20;  // ms
uint32_t FollowerWait(int64_t frame_wall, int64_t moment, const SyncReference& reference);

// A channel more than this far behind its due time gives frames up
// instead of showing the backlog.
inline constexpr uint32_t kLagCap = 200;  // ms

}  // namespace brisca
