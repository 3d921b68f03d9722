// Fuzz target for the device-file reader: the first input byte picks the
// file name's interval letter and a seek position, the rest is a device
// recording file. It is opened, read chunk by chunk, walked for telemetry,
// sought, stepped by key frames both ways and summarised. The file's last
// two bytes also steer its reads: a failing read, short reads and a size
// that lies.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "brisca/device/device_reader.h"
#include "brisca/testing/faulty_file.h"

namespace {

constexpr int kMaxReads = 20000;

// `failing`: bits 0-6 the read that fails (0: none), bit 7 every later one
// too; `shape`: bits 0-3 the largest read as a power of two (0: whole),
// bits 4-6 the size error in 4 KiB, bit 7 its sign.
brisca::testing::ReadFaults FaultsFrom(uint8_t failing, uint8_t shape) {
  brisca::testing::ReadFaults faults;
  faults.fail_read = failing & 0x7F;
  faults.fail_after = (failing & 0x80) != 0;
  faults.max_read = (shape & 0x0F) != 0 ? 1u << (shape & 0x0F) : 0;
  const int64_t delta = int64_t{(shape >> 4) & 7} * 4096;
  faults.size_delta = (shape & 0x80) != 0 ? -delta : delta;
  return faults;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckFrame(const brisca::RecFrame* frame) {
  Check(frame != nullptr && frame->length <= frame->capacity);
  if (frame->kind == brisca::FRAME_INFO) Check(frame->length == 48);
}

void Exercise(brisca::CFileAuds& reader, uint8_t knob) {
  brisca::RecFrame* frame = nullptr;
  brisca::RecFrame* info = nullptr;
  for (int i = 0; i < kMaxReads && reader.ReadFrame(&frame, &info) == 0; ++i) {
    CheckFrame(frame);
    reader.ReleaseFrame(frame);
    if (info) {
      CheckFrame(info);
      reader.ReleaseFrame(info);
    }
    info = nullptr;
  }
  Check(reader.Rewind() == 0);
  for (int i = 0; i < kMaxReads && reader.ReadInfoFrame(0, &info) == 0; ++i) {
    CheckFrame(info);
    reader.ReleaseFrame(info);
  }
  reader.Seek(knob * 97, 0);
  for (int i = 0; i < 3 && reader.NextKeyFrame(&frame) == 0; ++i) {
    CheckFrame(frame);
    reader.ReleaseFrame(frame);
  }
  for (int i = 0; i < 16 && reader.PrevKeyFrame(&frame) == 0; ++i) {
    CheckFrame(frame);
    reader.ReleaseFrame(frame);
  }
  if (reader.ReadFrame(&frame, &info) == 0) {
    reader.ReleaseFrame(frame);
    if (info) reader.ReleaseFrame(info);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t control = data[0];
  // A 32-character name (its free digits carry the process number, so
  // parallel runs do not meet) whose letter sets the interval.
  char name[40];
  std::snprintf(name, sizeof name, "001-01-%06u-%06u-00%c0001.dav",
                static_cast<unsigned>(::getpid() / 1000000 % 1000000),
                static_cast<unsigned>(::getpid() % 1000000), 'a' + control % 8);
  const std::string path = (std::filesystem::temp_directory_path() / name).string();
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
  }
  const brisca::testing::ScopedReadFaults faults(
      size >= 3 ? FaultsFrom(data[size - 1], data[size - 2]) : brisca::testing::ReadFaults{});
  brisca::CFileAuds reader;
  if (reader.Open(path.c_str()) == 0) {
    const uint32_t interval = reader.interval_ms();
    Check(interval == 500 || interval == 1000 || interval == 1500 || interval == 2000);
    Exercise(reader, static_cast<uint8_t>(control >> 3));
  }
  RecFileParam param;
  if (reader.ReadDeviceInfo(&param, path.c_str()) == 0) Check(param.duration_ms >= 0);
  reader.Close();
  std::remove(path.c_str());
  return 0;
}
