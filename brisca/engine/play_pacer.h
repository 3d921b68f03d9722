// The pacing rules of a channel player as plain functions: the interval to
// the next frame at a rate and direction, the wait step against the tick
// counter, and a follower's correction against its master's timestamp.
// The worker applies them; tests drive them without threads.
#pragma once

#include <cstdint>

namespace brisca {

inline constexpr uint32_t kDefaultFrameInterval = 40;  // ms, when nothing was shown yet
inline constexpr uint32_t kLongestWait = 5000;  // ms; longer intervals show at once
inline constexpr uint32_t kFollowerTolerance = 25;  // ms, forward
inline constexpr uint32_t kBackwardTolerance = 625;  // ms
inline constexpr uint32_t kStepTolerance = 200;  // ms, a follower's single step

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

// A forward follower whose next frame `next` lags its master's `master`
// timestamp gains the difference as lag (so it shows without waiting); one
// ahead of it loses its lag.
void CorrectForward(Pacing& pacing, uint64_t next, uint64_t master);

// At normal speed forward, a follower's next frame is due at its own
// base + interval - lag, and on the master's clock at master_tick +
// (next - master): the master showed `master` at `master_tick` and time runs
// on. A follower due later than that takes the difference as lag, so it
// shows sooner and keeps to the master's clock; one due earlier by more
// than the tolerance loses its lag.
void AlignToMaster(Pacing& pacing, uint32_t interval, uint64_t next, uint64_t master,
                   uint32_t master_tick, uint32_t now);

// Going backward, a follower whose next frame is later than its master's
// timestamp is behind: it takes the difference as lag and counts from now.
// One that got ahead by more than the backward tolerance counts from now.
void CorrectBackward(Pacing& pacing, uint64_t next, uint64_t master, uint32_t now);

// Frames a follower shows for one single step (0, 1 or 2), so that a step
// brings it toward its master.
int FollowerStepFrames(bool reverse, uint64_t next, uint64_t master);

}  // namespace brisca
