// Resynchronisation cost: the stream reader over hostile streams beside a
// clean stream of the same size, read whole and in 64 KiB reads as from a
// disk. "hostile": 1 MiB of false frame headers, each claiming 5 MB whose
// first extension item is too large for a real frame, then real frames.
// "item-chain": 1 MiB of false headers whose extension items hop over the
// headers after them to one oversized item at the end, so that every
// candidate's item walk runs through all later ones, then real frames.
// All should take about as long as the clean stream.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "brisca/stream/stream_frame_reader.h"
#include "tests/stream/stream_bytes.h"

namespace {

using brisca::testing::Bytes;

constexpr size_t kHostileBytes = 1 << 20;

// An extension item word without a body: tag and size.
Bytes ItemWord(uint8_t tag, uint32_t size) {
  Bytes out;
  brisca::testing::PutLe32(out, tag | (size << 8));
  return out;
}

// Real frames, one key frame of 60 KB in 25, predicted frames of 6 KB.
void AppendFrames(Bytes& out, size_t until) {
  for (uint64_t i = 0; out.size() < until; ++i) {
    const Bytes frame = brisca::testing::Frame(
        i % 25 ? '3' : '2', brisca::testing::TimestampItem(40 * i),
        brisca::testing::Payload(i % 25 ? 6000 : 60000, static_cast<uint8_t>(i)));
    out.insert(out.end(), frame.begin(), frame.end());
  }
}

const Bytes& Hostile() {
  static const Bytes bytes = [] {
    Bytes out;
    while (out.size() < kHostileBytes) {
      const Bytes candidate = brisca::testing::Concat(
          {{0, '3', 'd', 'c', 0, 0, 0, 0, 0x40, 0x4B, 0x4C, 0},  // 5,000,000 bytes of items
           ItemWord(7, 200000)});
      out.insert(out.end(), candidate.begin(), candidate.end());
    }
    AppendFrames(out, 8 << 20);
    return out;
  }();
  return bytes;
}

const Bytes& ItemChain() {
  static const Bytes bytes = [] {
    // Candidate k: header (stream byte 7, so its first word is no end tag),
    // then an item of 16 bytes that lands on candidate k+1's item.
    Bytes out;
    const Bytes candidate = brisca::testing::Concat(
        {{7, '3', 'd', 'c', 0, 0, 0, 0, 0x00, 0x00, 0x20, 0},  // 2 MiB of items
         ItemWord(7, 16)});
    while (out.size() < kHostileBytes) out.insert(out.end(), candidate.begin(), candidate.end());
    const Bytes end = ItemWord(7, 200000);
    out.insert(out.end(), end.begin(), end.end());
    AppendFrames(out, Hostile().size());
    return out;
  }();
  return bytes;
}

const Bytes& Clean() {
  static const Bytes bytes = [] {
    Bytes out;
    AppendFrames(out, Hostile().size());
    return out;
  }();
  return bytes;
}

size_t ReadAll(const Bytes& bytes, size_t chunk) {
  size_t position = 0;
  brisca::StreamFrameReader reader([&](uint8_t* out, size_t capacity) -> int64_t {
    const size_t count = std::min({capacity, chunk, bytes.size() - position});
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

template <const Bytes& (*Data)(), size_t kChunk>
void Read(benchmark::State& state) {
  const Bytes& bytes = Data();
  size_t frames = 0;
  for (auto _ : state) {
    frames = ReadAll(bytes, kChunk);
    benchmark::DoNotOptimize(frames);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
  state.counters["frames"] = static_cast<double>(frames);
}

BENCHMARK(Read<Clean, SIZE_MAX>)->Name("resync/clean/whole-reads")->Unit(benchmark::kMillisecond);
BENCHMARK(Read<Hostile, SIZE_MAX>)->Name("resync/hostile/whole-reads")->Unit(benchmark::kMillisecond);
BENCHMARK(Read<ItemChain, SIZE_MAX>)->Name("resync/item-chain/whole-reads")->Unit(benchmark::kMillisecond);
BENCHMARK(Read<Clean, 65536>)->Name("resync/clean/64k-reads")->Unit(benchmark::kMillisecond);
BENCHMARK(Read<Hostile, 65536>)->Name("resync/hostile/64k-reads")->Unit(benchmark::kMillisecond);
BENCHMARK(Read<ItemChain, 65536>)->Name("resync/item-chain/64k-reads")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
