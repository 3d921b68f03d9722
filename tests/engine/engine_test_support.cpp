#include "tests/engine/engine_test_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <thread>

#include <unistd.h>

#include "brisca/base/event.h"
#include "brisca/recordings/frame_pool.h"
#include "brisca/stream/stream_frame_reader.h"

namespace brisca::testing {

void VirtualClock::Sleep(uint32_t ms, CEvent*) {
  // A yield lets a little time pass too; otherwise an interval shorter than
  // four milliseconds would never come due.
  now_ += std::max<uint32_t>(ms, 1);
  // Let the test thread and other workers run between passes.
  std::this_thread::yield();
}

uint32_t ManualClock::Now() {
  std::lock_guard<std::mutex> hold(lock_);
  return now_;
}

void ManualClock::Sleep(uint32_t ms, CEvent* wake) {
  std::unique_lock<std::mutex> hold(lock_);
  const uint32_t until = now_ + std::max<uint32_t>(ms, 1);
  const auto entry = wake_ups_.insert(until);
  changed_.notify_all();
  // The stop event has no waiter to notify us, so it is polled.
  while (now_ < until && !(wake && wake->Wait(0)))
    changed_.wait_for(hold, std::chrono::milliseconds(1));
  wake_ups_.erase(entry);
  changed_.notify_all();
}

void ManualClock::Advance(uint32_t ms, size_t sleepers) {
  std::unique_lock<std::mutex> hold(lock_);
  const uint32_t end = now_ + ms;
  while (now_ < end) {
    changed_.wait_for(hold, std::chrono::seconds(2), [&] {
      return wake_ups_.size() >= sleepers && *wake_ups_.begin() > now_;
    });
    // Never backward: a Jump may have passed `end` meanwhile.
    now_ = std::max(now_, wake_ups_.empty() ? end : std::min(end, *wake_ups_.begin()));
    changed_.notify_all();
  }
  // Let whoever woke at the end finish its pass before the test looks.
  changed_.wait_for(hold, std::chrono::seconds(2), [&] {
    return wake_ups_.size() >= sleepers && *wake_ups_.begin() > now_;
  });
}

void ManualClock::Jump(uint32_t ms) {
  std::lock_guard<std::mutex> hold(lock_);
  now_ += ms;
  changed_.notify_all();
}

MemoryTarget::Options ArrivalsOn(TickClock& clock) {
  return {.clock = [&clock] { return static_cast<double>(clock.Now()); }};
}

std::vector<std::unique_ptr<MemoryTarget>> MemoryTargets(TickClock& clock, int count) {
  std::vector<std::unique_ptr<MemoryTarget>> targets;
  for (int i = 0; i < count; ++i) targets.push_back(std::make_unique<MemoryTarget>(ArrivalsOn(clock)));
  return targets;
}

bool WaitFor(const std::function<bool()>& done, int seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

std::string Recording(const std::string& options) {
  static std::mutex lock;
  static std::map<std::string, std::string> made;
  std::lock_guard<std::mutex> hold(lock);
  if (auto found = made.find(options); found != made.end()) return found->second;
  const std::filesystem::path folder = ENGINE_TEST_WORK;
  std::filesystem::create_directories(folder);
  // CTest runs each test in a process of its own, several at once.
  const std::string path = (folder / ("recording-" + std::to_string(getpid()) + "-" +
                                      std::to_string(made.size()) + ".strm"))
                               .string();
  const std::string command = std::string("'") + ENGINE_TEST_TOOL + "' sample stream " + options +
                              " -o '" + path + "' >/dev/null";
  if (std::system(command.c_str()) != 0) return {};
  made[options] = path;
  return path;
}

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// Calls `visit` with every frame of the recording and its telemetry frame
// (or null).
void ForEachFrame(const std::string& path,
                  const std::function<void(const RecFrame&, const RecFrame*)>& visit) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return;
  StreamFrameReader reader([&](uint8_t* buffer, size_t capacity) -> int64_t {
    const size_t count = std::fread(buffer, 1, capacity, file.get());
    return std::ferror(file.get()) ? -1 : static_cast<int64_t>(count);
  });
  FramePool pool;
  RecFrame* frame = nullptr;
  RecFrame* telemetry = nullptr;
  while (reader.Next(pool, &frame, &telemetry) == StreamFrameReader::Status::kFrame) {
    visit(*frame, telemetry);
    pool.Release(frame);
    pool.Release(telemetry);
    telemetry = nullptr;
  }
}

}  // namespace

std::vector<uint64_t> VideoTimestamps(const std::string& path) {
  std::vector<uint64_t> out;
  ForEachFrame(path, [&](const RecFrame& frame, const RecFrame*) {
    if (frame.kind != FRAME_AUDIO) out.push_back(frame.timestamp);
  });
  return out;
}

std::vector<TelemetryRecord> Telemetry(const std::string& path) {
  std::vector<TelemetryRecord> out;
  ForEachFrame(path, [&](const RecFrame&, const RecFrame* info) {
    if (info) out.push_back({info->timestamp, std::vector<uint8_t>(info->data, info->data + info->length)});
  });
  return out;
}

}  // namespace brisca::testing
