#include "brisca/engine/play_pacer.h"

#include <algorithm>

namespace brisca {
namespace {

// Timestamp differences are taken on the low 32 bits, as milliseconds.
uint32_t Low(uint64_t timestamp) { return static_cast<uint32_t>(timestamp); }

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

void CorrectForward(Pacing& pacing, uint64_t next, uint64_t master) {
  const uint32_t t = Low(next);
  const uint32_t m = Low(master);
  if (t > m && t - m > kFollowerTolerance) pacing.lag = 0;
  if (m >= t && m - t > kFollowerTolerance) pacing.lag += m - t;
}

void AlignToMaster(Pacing& pacing, uint32_t interval, uint64_t next, uint64_t master,
                   uint32_t master_tick, uint32_t now) {
  // Signed milliseconds from now; the tick counter may wrap in between.
  const int64_t own_due = static_cast<int32_t>(pacing.base - now) + int64_t{interval} -
                          int64_t{pacing.lag};
  const int64_t master_due = static_cast<int32_t>(master_tick - now) +
                             (static_cast<int64_t>(next) - static_cast<int64_t>(master));
  const int64_t late = own_due - master_due;
  if (late > 0) {
    pacing.lag += static_cast<uint32_t>(std::min<int64_t>(late, UINT32_MAX - pacing.lag));
  } else if (late < -int64_t{kFollowerTolerance}) {
    pacing.lag = 0;
  }
}

void CorrectBackward(Pacing& pacing, uint64_t next, uint64_t master, uint32_t now) {
  const uint32_t t = Low(next);
  const uint32_t m = Low(master);
  if (t > m) {
    pacing.base = now;
    pacing.lag = t - m;
  } else if (m - t > kBackwardTolerance) {
    pacing.base = now;
  }
}

int FollowerStepFrames(bool reverse, uint64_t next, uint64_t master) {
  const uint32_t t = Low(next);
  const uint32_t m = Low(master);
  if (!reverse) {
    if (t > m) return t - m < kStepTolerance ? 1 : 0;
    return m - t > kStepTolerance ? 2 : 1;
  }
  if (t < m) return m - t < kStepTolerance ? 1 : 0;
  return t - m > kStepTolerance ? 2 : 1;
}

}  // namespace brisca
