// Reading a recorder-disk recording frame by frame, and listing a disk of
// 10,000 segments.
//
//   disk_read_bench --stream=FILE --repeat=N --work=DIR [benchmark flags]
//
// builds DIR/read.img with one segment made of FILE repeated N times (so a
// recording of a gigabyte or more needs only a short generated stream) and
// DIR/list.img with 10,000 small segments, then measures both through the
// library's disk reader and disk search.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "brisca/disk/disk_manager.h"
#include "brisca/disk/disk_reader.h"
#include "brisca/disk/tvfs_instance.h"
#include "platform/talvo_file_system/disk_image_writer.h"

namespace {

std::string read_image;
std::string list_image;
uint64_t recording_bytes = 0;

bool WriteImage(const std::string& path, tvfs::DiskImageWriter& writer) {
  tvfs::WriteReport report;
  std::string error;
  if (writer.Write(path, report, error)) return true;
  std::fprintf(stderr, "writing %s: %s\n", path.c_str(), error.c_str());
  return false;
}

bool BuildReadImage(const std::vector<uint8_t>& stream, uint64_t repeat) {
  tvfs::DiskImageWriter writer(1);
  tvfs::SegmentDescription segment;
  segment.date = {26, 3, 8};
  segment.start = {8, 0, 0};
  segment.end = {9, 0, 0};
  segment.time_index = {{0, 8 * 3600}};
  segment.data_size = stream.size() * repeat;
  segment.read_data = [&stream](uint64_t offset, uint8_t* out, size_t length) {
    while (length > 0) {
      const size_t at = static_cast<size_t>(offset % stream.size());
      const size_t chunk = std::min(length, stream.size() - at);
      std::memcpy(out, stream.data() + at, chunk);
      out += chunk;
      offset += chunk;
      length -= chunk;
    }
    return true;
  };
  std::string error;
  if (!writer.AddSegment(std::move(segment), error)) return false;
  recording_bytes = stream.size() * repeat;
  return WriteImage(read_image, writer);
}

// 10,000 segments of one tiny frame each: 20 dates of 500 segments.
bool BuildListImage() {
  static const std::vector<uint8_t> frame = {1, '2', 'd', 'c', 1, 0, 0, 0, 0, 0, 0, 0, 0x65};
  tvfs::DiskImageWriter writer(2);
  std::string error;
  for (int i = 0; i < 10000; ++i) {
    tvfs::SegmentDescription segment;
    segment.channel = static_cast<uint8_t>(i % 8);
    segment.record_type = static_cast<uint8_t>(i % 4);
    segment.date = {26, 1, static_cast<uint8_t>(1 + i / 500)};
    const uint32_t start = 60 * static_cast<uint32_t>(i % 500);
    segment.start = tvfs::TimeOfDay::FromSeconds(start);
    segment.end = tvfs::TimeOfDay::FromSeconds(start + 50);
    segment.time_index = {{0, start}};
    segment.data_size = frame.size();
    segment.read_data = [](uint64_t, uint8_t* out, size_t length) {
      std::memcpy(out, frame.data(), length);
      return true;
    };
    if (!writer.AddSegment(std::move(segment), error)) {
      std::fprintf(stderr, "segment %d: %s\n", i, error.c_str());
      return false;
    }
  }
  return WriteImage(list_image, writer);
}

void ReadRecording(benchmark::State& state) {
  uint64_t frames = 0;
  for (auto _ : state) {
    if (brisca::ProcessTvfs().Mount(read_image) != 0) {
      state.SkipWithError("mount failed");
      return;
    }
    brisca::CFileNvr reader(brisca::SourceKind::kDiskStream);
    if (reader.Open("1\\20260308\\1") != 0) {
      state.SkipWithError("open failed");
      return;
    }
    frames = 0;
    brisca::RecFrame* frame = nullptr;
    brisca::RecFrame* info = nullptr;
    while (reader.ReadFrame(&frame, &info) == 0) {
      reader.ReleaseFrame(frame);
      if (info) reader.ReleaseFrame(info);
      info = nullptr;
      ++frames;
    }
    reader.Close();
    brisca::ProcessTvfs().Unmount();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * recording_bytes));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * frames));
  state.counters["count"] = static_cast<double>(frames);
}

void ListDisk(benchmark::State& state) {
  int count = 0;
  for (auto _ : state) {
    NvrSearchResult found[brisca::kDriveCount];
    if (brisca::DiskManager().SearchSD(0, found) != 1) {
      state.SkipWithError("no disk on C:");
      return;
    }
    RecFileParam* list = nullptr;
    count = brisca::DiskManager().GetFileParam(&list);
    brisca::FreeFileParamArray(list);
  }
  state.counters["count"] = count;
}

BENCHMARK(ReadRecording)->Name("disk/read_frames")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ListDisk)->Name("disk/list_10000")->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  std::string stream_path;
  std::string work = ".";
  uint64_t repeat = 1;
  std::vector<char*> rest;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--stream=", 9) == 0) {
      stream_path = argv[i] + 9;
    } else if (std::strncmp(argv[i], "--repeat=", 9) == 0) {
      repeat = std::strtoull(argv[i] + 9, nullptr, 10);
    } else if (std::strncmp(argv[i], "--work=", 7) == 0) {
      work = argv[i] + 7;
    } else {
      rest.push_back(argv[i]);
    }
  }
  std::ifstream in(stream_path, std::ios::binary);
  const std::vector<uint8_t> stream{std::istreambuf_iterator<char>(in), {}};
  if (stream.empty() || repeat == 0) {
    std::fprintf(stderr, "usage: disk_read_bench --stream=FILE --repeat=N --work=DIR\n");
    return 2;
  }
  read_image = work + "/read.img";
  list_image = work + "/list.img";
  // The disk search finds the listing disk on "C:".
  setenv("BRISCA_DRIVES", list_image.c_str(), 1);
  if (!BuildReadImage(stream, repeat) || !BuildListImage()) return 1;

  int count = static_cast<int>(rest.size());
  benchmark::Initialize(&count, rest.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
