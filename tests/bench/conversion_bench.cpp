// The library's software 4:2:0 to 24-bit BGR conversion beside libswscale's
// yuv420p to bgr24 on the same pictures, in megapixels per second.
#include <benchmark/benchmark.h>

extern "C" {
#include <libswscale/swscale.h>
}

#include <cstdint>
#include <vector>

#include "brisca/present/color_tables.h"

namespace {

// A picture with varied content, so neither side meets only one value.
struct Picture {
  int width;
  int height;
  std::vector<uint8_t> y, u, v;
  std::vector<uint8_t> bgr;

  Picture(int w, int h)
      : width(w), height(h), y(static_cast<size_t>(w) * h), u(static_cast<size_t>(w / 2) * (h / 2)),
        v(u.size()), bgr(static_cast<size_t>(w) * h * 3) {
    uint32_t seed = 7;
    for (auto* plane : {&y, &u, &v})
      for (uint8_t& byte : *plane) byte = static_cast<uint8_t>((seed = seed * 1664525u + 1013904223u) >> 24);
  }
  brisca::I420View View() const {
    return {y.data(), u.data(), v.data(), width, width / 2, width, height};
  }
};

void SetRate(benchmark::State& state, const Picture& picture) {
  state.counters["MP/s"] = benchmark::Counter(
      static_cast<double>(picture.width) * picture.height / 1e6,
      benchmark::Counter::kIsIterationInvariantRate);
}

void Ours(benchmark::State& state) {
  Picture picture(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) {
    brisca::I420ToBgr24(picture.View(), picture.bgr.data(), picture.width * 3);
    benchmark::DoNotOptimize(picture.bgr.data());
  }
  SetRate(state, picture);
}

void Swscale(benchmark::State& state) {
  Picture picture(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  SwsContext* context = sws_getContext(picture.width, picture.height, AV_PIX_FMT_YUV420P,
                                       picture.width, picture.height, AV_PIX_FMT_BGR24,
                                       SWS_POINT, nullptr, nullptr, nullptr);
  if (!context) {
    state.SkipWithError("no swscale context");
    return;
  }
  const uint8_t* source[3] = {picture.y.data(), picture.u.data(), picture.v.data()};
  const int source_stride[3] = {picture.width, picture.width / 2, picture.width / 2};
  uint8_t* target[1] = {picture.bgr.data()};
  const int target_stride[1] = {picture.width * 3};
  for (auto _ : state) {
    sws_scale(context, source, source_stride, 0, picture.height, target, target_stride);
    benchmark::DoNotOptimize(picture.bgr.data());
  }
  sws_freeContext(context);
  SetRate(state, picture);
}

BENCHMARK(Ours)->Name("bgr24/ours")->Args({1920, 1080})->Args({704, 576});
BENCHMARK(Swscale)->Name("bgr24/swscale")->Args({1920, 1080})->Args({704, 576});

}  // namespace

BENCHMARK_MAIN();
