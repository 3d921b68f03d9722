#include "brisca/engine/play_pacer.h"

#include <algorithm>

namespace brisca {
namespace {

uint32_t ShiftDown(uint32_t interval, int32_t shift) {
  return shift >= 32 ? 0 : interval >> shift;
}

}  // namespace

bool IsCameraKind(const char* device_type) { return device_type[0] == 'C'; }

bool RefusesBackwardPlay(const char* device_type) {
  return device_type[0] == 'C' || device_type[1] == 'A' || device_type[2] == 'M';
}

uint32_t FrameInterval(uint64_t next, uint64_t last_shown, bool reverse, int32_t rate,
                       bool camera_kind) {
  uint32_t interval = kDefaultFrameInterval;
  if (last_shown != 0) {
    if (!reverse && next >= last_shown) interval = static_cast<uint32_t>(next - last_shown);
    if (reverse && last_shown >= next) interval = static_cast<uint32_t>(last_shown - next);
  }
  // 64 bits: twice the most negative rate does not fit 32.
  const uint64_t slowdown = rate < 0 ? 2 * (0 - static_cast<int64_t>(rate)) : 1;
  if (reverse) return static_cast<uint32_t>(interval / slowdown);
  if (rate < 0) return static_cast<uint32_t>(interval * slowdown);
  if (rate == 0) return interval;
  const uint32_t r = static_cast<uint32_t>(rate);
  if (camera_kind) return r <= 4 ? interval - 8u * r : ShiftDown(interval, rate - 2);
  return r <= 3 ? interval - 9u * r : ShiftDown(interval, rate - 2);
}

WaitDecision WaitStep(Pacing& pacing, uint32_t interval, uint32_t now) {
  if (interval > kLongestWait) {
    pacing.Reset(now);
    return {true, 0};
  }
  if (pacing.lag >= interval) {
    pacing.lag = pacing.lag + (now - pacing.base) - interval;
    pacing.base = now;
    return {true, 0};
  }
  if (now < pacing.base) {  // the tick counter wrapped
    pacing.base = now;
    return {false, 0};
  }
  // The lag (below one interval here) shortens the wait, so lateness is
  // made up at the next frame instead of piling up to a whole interval.
  const uint32_t elapsed = now - pacing.base + pacing.lag;
  if (elapsed >= interval) {
    pacing.lag = elapsed - interval;
    pacing.base = now;
    return {true, 0};
  }
  // A quarter interval at most, so a pass sees changes of rate or pause
  // soon; never past the frame's due time.
  return {false, std::min(interval / 4, interval - elapsed)};
}

int64_t SyncReference::MomentAt(uint32_t now) const {
  if (held) return wall;
  // Signed: a reference published after `now` was read counts as no time.
  const int32_t elapsed = static_cast<int32_t>(now - tick);
  if (elapsed <= 0) return wall;
  const uint64_t advance = std::min<uint64_t>(
      uint64_t{static_cast<uint32_t>(elapsed)} * stream_ms / std::max<uint32_t>(real_ms, 1),
      stream_ms);
  return wall + direction * static_cast<int64_t>(advance);
}

SyncReference MakeReference(int64_t wall, uint32_t now, uint32_t step_ms, bool reverse,
                            int32_t rate, bool camera_kind) {
  SyncReference reference;
  reference.valid = true;
  reference.wall = wall;
  reference.tick = now;
  reference.direction = reverse ? -1 : 1;
  const uint32_t step = step_ms == 0 || step_ms > kLongestWait ? kDefaultFrameInterval : step_ms;
  // The interval the master waits for such a step at this rate.
  constexpr uint64_t kBase = uint64_t{1} << 40;
  const uint32_t real = FrameInterval(reverse ? kBase - step : kBase + step, kBase, reverse,
                                      rate, camera_kind);
  reference.stream_ms = step;
  // An interval that wrapped or vanished shows at once: as fast as can be.
  reference.real_ms = real == 0 || real > kLongestWait ? 1 : real;
  return reference;
}

bool IsDue(int64_t frame_wall, int64_t moment, int32_t direction) {
  return direction * (frame_wall - moment) <= 0;
}

uint32_t FollowerWait(int64_t frame_wall, int64_t moment, const SyncReference& reference) {
  if (reference.held) return kFollowerPoll;
  const uint64_t distance = static_cast<uint64_t>(frame_wall > moment ? frame_wall - moment
                                                                      : moment - frame_wall);
  const uint64_t real = distance * std::max<uint32_t>(reference.real_ms, 1) /
                        std::max<uint32_t>(reference.stream_ms, 1);
  return static_cast<uint32_t>(std::clamp<uint64_t>(real, 1, kFollowerPoll));
}

}  // namespace brisca
