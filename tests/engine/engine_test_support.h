// Test helpers for the playback engine: a tick clock that only moves when a
// worker sleeps, a memory presentation target that records what it was
// shown, and recordings made by the brisca tool.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <set>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "brisca/api/brisca.h"
#include "brisca/engine/tick_clock.h"

namespace brisca::testing {

// Time advances by exactly what the sleeps ask for, so one channel's
// pacing plays out deterministically and as fast as the machine allows.
class VirtualClock : public TickClock {
 public:
  explicit VirtualClock(uint32_t start = 1000) : now_(start) {}
  uint32_t Now() override { return now_.load(); }
  void Sleep(uint32_t ms, CEvent* wake) override;

 private:
  std::atomic<uint32_t> now_;
};

// Time moves only when the test says so, and then only once every worker
// taking part is asleep: several channels play out exactly as they would on
// an idle machine, whatever the machine's load.
class ManualClock : public TickClock {
 public:
  explicit ManualClock(uint32_t start = 1000) : now_(start) {}
  uint32_t Now() override;
  // Sleeps until the clock has passed now + ms (at least one tick) or
  // `wake` is signalled.
  void Sleep(uint32_t ms, CEvent* wake) override;
  // Moves the clock `ms` forward, from wake-up to wake-up, each time once
  // `sleepers` threads sleep in it (or, so that a busy thread cannot hang a
  // test, after two seconds of real time).
  void Advance(uint32_t ms, size_t sleepers);
  // Time leaps, as it does for a thread that stalls: for present calls.
  void Jump(uint32_t ms);

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  uint32_t now_;
  std::multiset<uint32_t> wake_ups_;
};

struct Presented {
  uint32_t tick;       // the clock when the picture arrived
  uint64_t timestamp;  // of the frame shown
};

// A BR_VIDEO_TARGET taking I420 that records every picture with the time
// of its clock.
class MemoryTarget {
 public:
  explicit MemoryTarget(TickClock& clock);
  BR_VIDEO_TARGET* target() { return &target_; }
  std::vector<Presented> presented();
  size_t count();
  // Pictures whose timestamp differs from the one before (no refreshes).
  std::vector<Presented> distinct();
  // Called on the presenting thread after each picture is noted.
  void OnPresent(std::function<void(uint64_t timestamp)> call);

 private:
  static void Present(BR_VIDEO_TARGET* target, const BR_PICTURE* picture);
  TickClock& clock_;
  BR_VIDEO_TARGET target_{};
  std::mutex lock_;
  std::vector<Presented> presented_;
  std::function<void(uint64_t)> on_present_;
};

std::vector<std::unique_ptr<MemoryTarget>> MemoryTargets(TickClock& clock, int count);

// Runs `done` until it holds or `seconds` of real time have passed.
bool WaitFor(const std::function<bool()>& done, int seconds = 30);

// Makes a recording with `brisca sample stream OPTIONS` in the test's work
// folder; returns its path, empty on failure. Identical options are made
// once per process.
std::string Recording(const std::string& options);

// Timestamps of the recording's video frames, in order.
std::vector<uint64_t> VideoTimestamps(const std::string& path);
// Its telemetry records (timestamp, the record's bytes), in order.
using TelemetryRecord = std::pair<uint64_t, std::vector<uint8_t>>;
std::vector<TelemetryRecord> Telemetry(const std::string& path);

}  // namespace brisca::testing
