// Scanning throughput of the stream format: clean recordings (given with
// --stream=FILE) and pure noise, through the bare scanner and through the
// reader that also builds the frame records.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "brisca/stream/stream_frame.h"
#include "brisca/stream/stream_frame_reader.h"

namespace {

std::vector<uint8_t>& CleanStream() {
  static std::vector<uint8_t> bytes;
  return bytes;
}

const std::vector<uint8_t>& Noise() {
  static const std::vector<uint8_t> bytes = [] {
    std::vector<uint8_t> out(64 << 20);
    std::mt19937_64 random(42);
    for (size_t i = 0; i < out.size(); i += 8) {
      const uint64_t value = random();
      std::memcpy(out.data() + i, &value, 8);
    }
    return out;
  }();
  return bytes;
}

size_t ScanAll(const std::vector<uint8_t>& bytes) {
  brisca::StreamFrame frame;
  size_t position = 0;
  size_t frames = 0;
  while (position < bytes.size()) {
    const auto scan = brisca::ScanForFrame(bytes.data() + position, bytes.size() - position, frame);
    if (scan.match != brisca::FrameMatch::kFrame) break;
    position += scan.offset + frame.total_size;
    ++frames;
  }
  return frames;
}

size_t ReadAll(const std::vector<uint8_t>& bytes) {
  size_t position = 0;
  brisca::StreamFrameReader reader([&](uint8_t* out, size_t capacity) -> int64_t {
    const size_t count = std::min(capacity, bytes.size() - position);
    std::memcpy(out, bytes.data() + position, count);
    position += count;
    return static_cast<int64_t>(count);
  });
  brisca::FramePool pool;
  size_t frames = 0;
  brisca::RecFrame* frame = nullptr;
  brisca::RecFrame* info = nullptr;
  while (reader.Next(pool, &frame, &info) == brisca::StreamFrameReader::Status::kFrame) {
    pool.Release(frame);
    pool.Release(info);
    ++frames;
  }
  return frames;
}

template <size_t (*Pass)(const std::vector<uint8_t>&), const std::vector<uint8_t>& (*Data)()>
void Throughput(benchmark::State& state) {
  const std::vector<uint8_t>& bytes = Data();
  if (bytes.empty()) {
    state.SkipWithError("no stream given (--stream=FILE)");
    return;
  }
  size_t frames = 0;
  for (auto _ : state) {
    frames = Pass(bytes);
    benchmark::DoNotOptimize(frames);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
  state.counters["frames"] = static_cast<double>(frames);
}

const std::vector<uint8_t>& Clean() { return CleanStream(); }

BENCHMARK(Throughput<ScanAll, Clean>)->Name("scan/clean")->Unit(benchmark::kMillisecond);
BENCHMARK(Throughput<ReadAll, Clean>)->Name("read/clean")->Unit(benchmark::kMillisecond);
BENCHMARK(Throughput<ScanAll, Noise>)->Name("scan/noise")->Unit(benchmark::kMillisecond);
BENCHMARK(Throughput<ReadAll, Noise>)->Name("read/noise")->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> rest;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--stream=", 9) == 0) {
      std::ifstream in(argv[i] + 9, std::ios::binary);
      if (!in) {
        std::fprintf(stderr, "cannot read %s\n", argv[i] + 9);
        return 1;
      }
      CleanStream().assign(std::istreambuf_iterator<char>(in), {});
    } else {
      rest.push_back(argv[i]);
    }
  }
  int count = static_cast<int>(rest.size());
  benchmark::Initialize(&count, rest.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
