// Fuzz target for reading recordings from a damaged recorder disk: the input
// is a disk image. It is mounted, listed, and up to four of its recordings
// are opened and read to the end, sought and stepped by key frames, all
// through the library's disk search and disk reader. The image's last three
// bytes also steer the readers' segment sources: the last the seek target,
// the one before it a failing read, the third last short reads and a size
// that lies.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "brisca/disk/disk_reader.h"
#include "brisca/disk/disk_segment_source.h"
#include "brisca/disk/tvfs_instance.h"
#include "brisca/testing/faulty_file.h"

namespace {

constexpr int kMaxFrames = 4000;

// `failing`: bits 0-5 the read that fails (0: none), bit 6 every later one
// too; `shape`: bits 0-3 the largest read as a power of two (0: whole),
// bits 4-6 the size error in 64 KiB, bit 7 its sign.
brisca::testing::ReadFaults FaultsFrom(uint8_t failing, uint8_t shape) {
  brisca::testing::ReadFaults faults;
  faults.fail_read = (failing & 0x3F) * 3;
  faults.fail_after = (failing & 0x40) != 0;
  faults.max_read = (shape & 0x0F) != 0 ? 1u << (shape & 0x0F) : 0;
  const int64_t delta = int64_t{(shape >> 4) & 7} * 65536;
  faults.size_delta = (shape & 0x80) != 0 ? -delta : delta;
  return faults;
}

void Exercise(brisca::CFileNvr& reader, uint8_t knob) {
  brisca::RecFrame* frame = nullptr;
  brisca::RecFrame* info = nullptr;
  for (int i = 0; i < kMaxFrames && reader.ReadFrame(&frame, &info) == 0; ++i) {
    reader.ReleaseFrame(frame);
    if (info) reader.ReleaseFrame(info);
    info = nullptr;
  }
  reader.Seek(knob * 37, 0);
  for (int i = 0; i < 3 && reader.NextKeyFrame(&frame) == 0; ++i) reader.ReleaseFrame(frame);
  for (int i = 0; i < 3 && reader.PrevKeyFrame(&frame) == 0; ++i) reader.ReleaseFrame(frame);
  if (reader.ReadFrame(&frame, &info) == 0) {
    reader.ReleaseFrame(frame);
    if (info) reader.ReleaseFrame(info);
  }
  reader.Rewind();
}

void ReadDisk(uint8_t knob) {
  std::vector<_fs_date_> dates;
  if (brisca::CNvrFile::DateList(dates) != 0) return;
  int opened = 0;
  for (size_t d = 0; d < dates.size() && d < 4; ++d) {
    std::vector<_stream_query_result_> segments;
    if (brisca::CNvrFile::SegmentsOf(dates[d], 16, segments) != 0) continue;
    for (const _stream_query_result_& segment : segments) {
      if (opened++ == 4) return;
      char name[64];
      std::snprintf(name, sizeof name, "%u\\%u\\%u", segment.id.disk, segment.id.number[0],
                    segment.id.number[1]);
      brisca::CFileNvr reader(brisca::SourceKind::kDiskStream);
      if (reader.Open(name) == 0) Exercise(reader, knob);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int fd = memfd_create("disk-image", MFD_CLOEXEC);
  if (fd < 0) return 0;
  if (write(fd, data, size) == static_cast<ssize_t>(size)) {
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (brisca::ProcessTvfs().Mount(path) == 0) {
      const brisca::testing::ScopedReadFaults faults(
          size >= 3 ? FaultsFrom(data[size - 2], data[size - 3]) : brisca::testing::ReadFaults{});
      ReadDisk(size ? data[size - 1] : 0);
      brisca::ProcessTvfs().Unmount();
    }
  }
  close(fd);
  return 0;
}
