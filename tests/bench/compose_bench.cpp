// Draw of a 1280x720 picture into a BGR24, an RGB565 and an I420 target,
// with nothing on it (the plain conversion, the reference), with the
// on-screen text, and with the text and a watermark; milliseconds per
// picture. Text and watermark are set once, as in playback.
#include <benchmark/benchmark.h>
#include <png.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "brisca/present/direct_draw.h"
#include "brisca/testing/memory_target.h"

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 720;

struct Picture {
  std::vector<std::uint8_t> y, u, v;
  Picture()
      : y(static_cast<std::size_t>(kWidth) * kHeight), u(static_cast<std::size_t>(kWidth / 2) * (kHeight / 2)),
        v(u.size()) {
    std::uint32_t seed = 7;
    for (auto* plane : {&y, &u, &v})
      for (std::uint8_t& byte : *plane) byte = static_cast<std::uint8_t>((seed = seed * 1664525u + 1013904223u) >> 24);
  }
};

// A 320x90 logo with a colour and alpha gradient; path empty when it could
// not be written.
std::string WriteWatermark() {
  constexpr int w = 320;
  constexpr int h = 90;
  std::vector<std::uint8_t> rgba;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      rgba.insert(rgba.end(), {static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y * 2),
                               static_cast<std::uint8_t>(255 - x / 2), static_cast<std::uint8_t>((x + y) * 3)});
    }
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = w;
  image.height = h;
  image.format = PNG_FORMAT_RGBA;
  const std::string path =
      (std::filesystem::temp_directory_path() / ("compose_bench_" + std::to_string(::getpid()) + ".png")).string();
  return png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), 0, nullptr) ? path : std::string();
}

enum class Content { kNothing, kText, kTextAndWatermark };

void Draw(benchmark::State& state, int format, Content content, const std::string& watermark) {
  static const Picture picture;
  brisca::testing::MemoryTarget target({.formats = 1u << format});
  brisca::CDirectDraw display;
  display.SetWindow(target.target());
  if (!display.SetUp(kWidth, kHeight)) return state.SkipWithError("set-up failed");
  if (content != Content::kNothing) {
    display.SetText("2026-12-10 12:34:56 CH1", 3);
    if (display.MeasureText(kWidth, kHeight).width == 0) return state.SkipWithError("no font");
  }
  if (content == Content::kTextAndWatermark) {
    if (watermark.empty()) return state.SkipWithError("no watermark file");
    display.InitWatermark(watermark, true, 60);
  }
  for (auto _ : state) {
    display.Draw(picture.y.data(), kWidth, picture.u.data(), picture.v.data(), kWidth / 2);
  }
  if (target.presents() != static_cast<std::size_t>(state.iterations())) state.SkipWithError("not every picture was presented");
}

}  // namespace

// Registers "MODE/CONTENT" for the three modes and the three contents.
int main(int argc, char** argv) {
  const std::string watermark = WriteWatermark();
  const std::pair<const char*, int> modes[] = {
      {"bgr24", BR_PIXFMT_BGR24}, {"rgb565", BR_PIXFMT_RGB565}, {"i420", BR_PIXFMT_I420}};
  const std::pair<const char*, Content> contents[] = {
      {"nothing", Content::kNothing}, {"text", Content::kText}, {"text+watermark", Content::kTextAndWatermark}};
  for (const auto& [mode, format] : modes) {
    for (const auto& [name, content] : contents) {
      benchmark::RegisterBenchmark((std::string(mode) + "/" + name).c_str(),
                                   [format = format, content = content, &watermark](benchmark::State& state) {
                                     Draw(state, format, content, watermark);
                                   })
          ->Unit(benchmark::kMillisecond);
    }
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (!watermark.empty()) std::filesystem::remove(watermark);
  return 0;
}
