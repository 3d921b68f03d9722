// Decoding speed of the H.264 decoder stand-in: every video frame of each
// recording given with --stream=FILE, fed with the video decoder's drain
// loop through one handle, reported as pictures per second; and the same
// through the channel's video decoder and display in each display mode
// (I420 handed over, RGB565 and BGR24 converted by the library), presented
// to a memory target.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "brisca/api/brisca.h"
#include "brisca/decode/cvdec_his.h"
#include "brisca/present/direct_draw.h"
#include "brisca/recordings/frame_pool.h"
#include "brisca/recordings/rec_frame.h"
#include "brisca/stream/stream_frame_reader.h"
#include "brisca/testing/memory_target.h"
#include "platform/hi_h264dec_w/hi_h264dec_w.h"

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

struct Unit {
  std::vector<uint8_t> bytes;
  bool key = false;
};
using Units = std::vector<Unit>;

// The video payloads of a stream file, in order; empty when it cannot be read.
Units ReadVideo(const char* path) {
  Units units;
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "rb"));
  if (!file) return units;
  brisca::StreamFrameReader reader([&](uint8_t* buffer, size_t capacity) -> int64_t {
    return static_cast<int64_t>(std::fread(buffer, 1, capacity, file.get()));
  });
  brisca::FramePool pool;
  brisca::RecFrame* frame = nullptr;
  brisca::RecFrame* info = nullptr;
  while (reader.Next(pool, &frame, &info) == brisca::StreamFrameReader::Status::kFrame) {
    if (frame->kind == brisca::FRAME_VIDEO_KEY || frame->kind == brisca::FRAME_VIDEO_PREDICTED) {
      units.push_back({std::vector<uint8_t>(frame->data, frame->data + frame->length),
                       frame->kind == brisca::FRAME_VIDEO_KEY});
    }
    pool.Release(frame);
    if (info) pool.Release(info);
  }
  return units;
}

size_t DecodeAll(const Units& units) {
  const H264_DEC_ATTR attr{{0, 0, 120, 68, 0, 0, 0, 0}};
  void* handle = Hi264DecCreate(&attr);
  size_t pictures = 0;
  H264_DEC_FRAME picture{};
  for (const auto& unit : units) {
    int result = Hi264DecFrame(handle, unit.bytes.data(), static_cast<uint32_t>(unit.bytes.size()),
                               0, &picture, 0);
    while (result == 0) {
      ++pictures;
      benchmark::DoNotOptimize(picture.luma[0]);
      result = Hi264DecFrame(handle, nullptr, 0, 0, &picture, 0);
    }
  }
  Hi264DecDestroy(handle);
  return pictures;
}

void Decode(benchmark::State& state, const Units& units) {
  size_t pictures = 0;
  for (auto _ : state) pictures = DecodeAll(units);
  if (pictures != units.size()) state.SkipWithError("not every frame gave a picture");
  state.counters["fps"] = benchmark::Counter(static_cast<double>(pictures),
                                             benchmark::Counter::kIsIterationInvariantRate);
}

void DecodeAndPresent(benchmark::State& state, const Units& units, int format) {
  size_t shown = 0;
  for (auto _ : state) {
    brisca::testing::MemoryTarget target({.formats = 1u << format});
    brisca::CDirectDraw display;
    display.SetWindow(target.target());
    brisca::CVDECHis decoder;
    decoder.BindDisplay(&display);
    decoder.Open(0, 0, 0);
    const uint8_t stamp[brisca::kPictureStampSize] = {};
    for (const Unit& unit : units) {
      decoder.Decode(unit.key ? brisca::FRAME_VIDEO_KEY : brisca::FRAME_VIDEO_PREDICTED,
                     unit.bytes.data(), static_cast<uint32_t>(unit.bytes.size()), 0, 0, stamp);
    }
    decoder.Close();
    shown = target.presents();
  }
  if (shown != units.size()) state.SkipWithError("not every frame was presented");
  state.counters["fps"] = benchmark::Counter(static_cast<double>(shown),
                                             benchmark::Counter::kIsIterationInvariantRate);
}

}  // namespace

// Each --stream=FILE registers "decode/FILE" and "present-MODE/FILE" for the
// three display modes.
int main(int argc, char** argv) {
  std::vector<char*> rest;
  std::vector<std::unique_ptr<Units>> streams;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--stream=", 9) != 0) {
      rest.push_back(argv[i]);
      continue;
    }
    const char* path = argv[i] + 9;
    streams.push_back(std::make_unique<Units>(ReadVideo(path)));
    if (streams.back()->empty()) {
      std::fprintf(stderr, "no video frames in %s\n", path);
      return 1;
    }
    const Units* units = streams.back().get();
    benchmark::RegisterBenchmark((std::string("decode/") + path).c_str(),
                                 [units](benchmark::State& state) { Decode(state, *units); })
        ->Unit(benchmark::kMillisecond);
    const std::pair<const char*, int> modes[] = {
        {"present-i420/", BR_PIXFMT_I420}, {"present-rgb565/", BR_PIXFMT_RGB565},
        {"present-bgr24/", BR_PIXFMT_BGR24}};
    for (const auto& [name, format] : modes) {
      benchmark::RegisterBenchmark((std::string(name) + path).c_str(),
                                   [units, format = format](benchmark::State& state) {
                                     DecodeAndPresent(state, *units, format);
                                   })
          ->Unit(benchmark::kMillisecond);
    }
  }
  int count = static_cast<int>(rest.size());
  benchmark::Initialize(&count, rest.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
