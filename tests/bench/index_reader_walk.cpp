// Times the index reader's walk over the telemetry of one device recording:
// open, start, wait for the end report, RUNS times; prints the shortest
// walk in nanoseconds, the records walked and the time of one open.
// usage: index_reader_walk FILE RUNS
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "brisca/device/index_reader.h"

namespace {

std::mutex g_mutex;
std::condition_variable g_ended;
bool g_end = false;

void BRISCA_CALL OnEnd(int32_t, int32_t, int32_t) {
  const std::lock_guard lock(g_mutex);
  g_end = true;
  g_ended.notify_all();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: index_reader_walk FILE RUNS\n", stderr);
    return 2;
  }
  using Clock = std::chrono::steady_clock;
  const int runs = std::atoi(argv[2]);
  long long best_walk = -1;
  long long best_open = -1;
  unsigned long long records = 0;
  for (int run = 0; run < runs; ++run) {
    brisca::CIndexReader reader;
    const auto opening = Clock::now();
    if (reader.Open(argv[1]) != 0) {
      std::fprintf(stderr, "index_reader_walk: cannot open %s\n", argv[1]);
      return 1;
    }
    const auto opened = Clock::now();
    reader.SetCallback(0, OnEnd);
    g_end = false;
    const auto start = Clock::now();
    if (reader.StartReading() != 0) return 1;
    {
      std::unique_lock lock(g_mutex);
      g_ended.wait(lock, [] { return g_end; });
    }
    const auto end = Clock::now();
    reader.StopReading();
    records = reader.records_walked();
    const long long walk = std::chrono::duration_cast<std::chrono::nanoseconds>(end - start).count();
    const long long open =
        std::chrono::duration_cast<std::chrono::nanoseconds>(opened - opening).count();
    if (best_walk < 0 || walk < best_walk) best_walk = walk;
    if (best_open < 0 || open < best_open) best_open = open;
  }
  std::printf("%lld %llu %lld\n", best_walk, records, best_open);
  return 0;
}
