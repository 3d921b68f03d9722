// Fuzz target for the raw FAT volume reader: the input becomes a card image
// (physical drive 0, held in memory), which is mounted and read through
// CSdFile the way the card index and the card reader read it.
//
// Input: five control bytes, then the image. Byte 0 picks the read chunk
// size (bit 7: mount the volume as "D:"); bytes 1-2 and 3-4 (little-endian)
// are a split point and a hole length in 4096-byte sectors: the image bytes
// after the split point are placed after that many sectors of zeros, so that
// a FAT32 volume, whose tables alone are larger than an input, fits in one.
// Each input is read twice: as it is, then with the drive's reads failing
// as the last input byte says (bits 0-6: which read fails, 0 none; bit 7:
// and every later one), as a worn card's would.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "brisca/base/diag_log.h"
#include "brisca/card/fat_file_source.h"
#include "brisca/card/physical_drive.h"
#include "brisca/card/raw_fat_volume.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// The memory file standing in for the drive, created once.
int DriveFile() {
  static const int fd = [] {
    const int created = ::memfd_create("fat-volume-fuzzer", 0);
    Check(created >= 0);
    const std::string path = "/proc/self/fd/" + std::to_string(created);
    ::setenv("BRISCA_PHYSICAL_DRIVES", path.c_str(), 1);
    // Failed opens log a line each; keep them out of the program folder.
    brisca::ProcessLog().SetRoot("/proc/brisca-no-log");
    return created;
  }();
  return fd;
}

void WriteImage(const uint8_t* data, size_t size, size_t split, size_t hole) {
  const int fd = DriveFile();
  Check(::ftruncate(fd, 0) == 0);
  split = std::min(split, size);
  if (split > 0) Check(::pwrite(fd, data, split, 0) == static_cast<ssize_t>(split));
  const off_t rest_at = static_cast<off_t>(split + hole);
  if (size > split) {
    Check(::pwrite(fd, data + split, size - split, rest_at) == static_cast<ssize_t>(size - split));
  } else {
    Check(::ftruncate(fd, rest_at) == 0);
  }
}

// Reads the whole file, then a few positions; checks what the byte source
// promises.
void ReadFile(brisca::CSdFile& file, uint32_t chunk) {
  const uint64_t size = file.Size();
  std::vector<uint8_t> buffer(chunk);
  uint64_t total = 0;
  for (;;) {
    const int got = file.Read(buffer.data(), chunk);
    if (got <= 0) break;
    Check(static_cast<uint32_t>(got) <= chunk);
    total += static_cast<uint64_t>(got);
    Check(file.Tell() == total && total <= size);
  }
  for (const uint64_t offset : {size / 2, size > 100 ? size - 100 : 0, uint64_t{0}, size + 5}) {
    if (file.Seek(static_cast<int64_t>(offset), brisca::SeekOrigin::kStart) != 0) return;
    Check(file.Tell() == std::min(offset, size));
    const int got = file.Read(buffer.data(), chunk);
    if (got < 0) return;
    Check(static_cast<uint64_t>(got) <= std::min<uint64_t>(chunk, size - std::min(offset, size)));
  }
}

// Mounts the image and reads every file the seeds hold, and a few that are
// not there.
void ReadVolume(bool second, uint32_t chunk) {
  brisca::FatResetState();
  brisca::FatSetDrive(0);
  brisca::FatSetPartitionStarts({0, 0, 0, 0});
  Check(brisca::FatMount(second ? "D:" : "C:") == brisca::FatResult::kOk);
  const std::string volume = second ? "D:" : "C:";
  // The names the seed images hold (the Chinese one in code page 936), and
  // a few that are not there.
  for (const std::string name :
       {"\\index00.bin", "\\A long file name.dat", "\\Sub\\Deeper\\nested.bin",
        "\\\xD6\xD0\xCE\xC4\xC3\xFB\xD7\xD6.bin", "\\fragmented.bin", "\\one.bin", "\\missing",
        "\\Sub", "\\"}) {
    brisca::CSdFile file;
    const std::string path = std::string(volume).append(name);
    if (file.OpenFile(path.c_str(), 1) == 0) ReadFile(file, chunk);
  }
  // A remount leaves an open file unusable, never dangling.
  brisca::CSdFile file;
  const std::string index = std::string(volume).append("\\index00.bin");
  if (file.OpenFile(index.c_str(), 1) == 0) {
    Check(brisca::FatMount(volume.c_str()) == brisca::FatResult::kOk);
    uint8_t byte;
    Check(file.Read(&byte, 1) == -1);
  }
  brisca::FatResetState();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 5) return 0;
  const uint32_t chunk = 1 + (data[0] & 0x7F) * 613u;
  const size_t split = size_t{uint16_t(data[1] | data[2] << 8)} * brisca::kFatSectorSize;
  const size_t hole = size_t{uint16_t(data[3] | data[4] << 8)} * brisca::kFatSectorSize;
  WriteImage(data + 5, size - 5, split, hole);
  const bool second = (data[0] & 0x80) != 0;
  ReadVolume(second, chunk);
  const uint8_t faults = data[size - 1];
  if ((faults & 0x7F) != 0) {
    brisca::InjectDriveReadFault(faults & 0x7F, (faults & 0x80) != 0);
    ReadVolume(second, chunk);
    brisca::InjectDriveReadFault(0, false);
  }
  return 0;
}
