// Fuzz target for the device-file reader: the first input byte picks the
// file name's interval letter and a seek position, the rest is a device
// recording file. It is opened, read chunk by chunk, walked for telemetry,
// sought, stepped by key frames both ways and summarised.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "brisca/device/device_reader.h"

namespace {

constexpr int kMaxReads = 20000;

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
