// The library's software 4:2:0 to 24-bit BGR and 16-bit 5-6-5 conversions
// beside libswscale's yuv420p to bgr24 and rgb565le on the same pictures, in
// megapixels per second. The "ours-ssse3" rows run the library's path for
// processors without AVX2.
#include <benchmark/benchmark.h>

extern "C" {
#include <libswscale/swscale.h>
}

#include <cstdint>
#include <vector>

#include "brisca/present/color_tables.h"

namespace {

using brisca::ConversionPath;

enum class Format { kBgr24, kRgb565 };

// A picture with varied content, so neither side meets only one value.
struct Picture {
  int width;
  int height;
  std::vector<uint8_t> y, u, v;
  std::vector<uint8_t> out;

  Picture(int w, int h)
      : width(w), height(h), y(static_cast<size_t>(w) * h), u(static_cast<size_t>(w / 2) * (h / 2)),
        v(u.size()), out(static_cast<size_t>(w) * h * 3) {
    uint32_t seed = 7;
    for (auto* plane : {&y, &u, &v})
      for (uint8_t& byte : *plane) byte = static_cast<uint8_t>((seed = seed * 1664525u + 1013904223u) >> 24);
  }
  brisca::I420View View() const {
    return {y.data(), u.data(), v.data(), width, width / 2, width, height};
  }
  int OutStride(Format format) const { return width * (format == Format::kBgr24 ? 3 : 2); }
};

void SetRate(benchmark::State& state, const Picture& picture) {
  state.counters["MP/s"] = benchmark::Counter(
      static_cast<double>(picture.width) * picture.height / 1e6,
      benchmark::Counter::kIsIterationInvariantRate);
}

void Ours(benchmark::State& state, Format format, ConversionPath path) {
  if (path > brisca::FastestConversionPath()) {
    state.SkipWithError("the processor lacks this path");
    return;
  }
  Picture picture(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const int stride = picture.OutStride(format);
  for (auto _ : state) {
    if (format == Format::kBgr24) {
      brisca::I420ToBgr24(picture.View(), picture.out.data(), stride, path);
    } else {
      brisca::I420ToRgb565(picture.View(), picture.out.data(), stride, path);
    }
    benchmark::DoNotOptimize(picture.out.data());
  }
  SetRate(state, picture);
}

void Swscale(benchmark::State& state, Format format) {
  Picture picture(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  SwsContext* context = sws_getContext(
      picture.width, picture.height, AV_PIX_FMT_YUV420P, picture.width, picture.height,
      format == Format::kBgr24 ? AV_PIX_FMT_BGR24 : AV_PIX_FMT_RGB565LE, SWS_POINT, nullptr, nullptr, nullptr);
  if (!context) {
    state.SkipWithError("no swscale context");
    return;
  }
  const uint8_t* source[3] = {picture.y.data(), picture.u.data(), picture.v.data()};
  const int source_stride[3] = {picture.width, picture.width / 2, picture.width / 2};
  uint8_t* target[1] = {picture.out.data()};
  const int target_stride[1] = {picture.OutStride(format)};
  for (auto _ : state) {
    sws_scale(context, source, source_stride, 0, picture.height, target, target_stride);
    benchmark::DoNotOptimize(picture.out.data());
  }
  sws_freeContext(context);
  SetRate(state, picture);
}

BENCHMARK_CAPTURE(Ours, bgr24, Format::kBgr24, brisca::FastestConversionPath())
    ->Name("bgr24/ours")->Args({1920, 1080})->Args({704, 576});
BENCHMARK_CAPTURE(Ours, bgr24_ssse3, Format::kBgr24, ConversionPath::kSsse3)
    ->Name("bgr24/ours-ssse3")->Args({1920, 1080})->Args({704, 576});
BENCHMARK_CAPTURE(Swscale, bgr24, Format::kBgr24)->Name("bgr24/swscale")->Args({1920, 1080})->Args({704, 576});
BENCHMARK_CAPTURE(Ours, rgb565, Format::kRgb565, brisca::FastestConversionPath())
    ->Name("rgb565/ours")->Args({1920, 1080})->Args({704, 576});
BENCHMARK_CAPTURE(Ours, rgb565_ssse3, Format::kRgb565, ConversionPath::kSsse3)
    ->Name("rgb565/ours-ssse3")->Args({1920, 1080})->Args({704, 576});
BENCHMARK_CAPTURE(Swscale, rgb565, Format::kRgb565)->Name("rgb565/swscale")->Args({1920, 1080})->Args({704, 576});

}  // namespace

BENCHMARK_MAIN();
