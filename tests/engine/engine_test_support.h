// Test helpers for the playback engine: a tick clock that only moves when a
// worker sleeps, memory presentation targets on such a clock, and
// recordings made by the brisca tool.
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

#include "brisca/engine/tick_clock.h"
#include "brisca/testing/memory_target.h"

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

// A memory target taking I420 whose pictures arrive at the times of `clock`.
MemoryTarget::Options ArrivalsOn(TickClock& clock);
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
