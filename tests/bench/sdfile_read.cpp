// Reads one file of a card image through CSdFile in 1 MiB reads (the card
// reader's buffer size) and writes it to standard output, as mtype does, for
// tests/bench/run_sdfile_bench.sh.
// usage: sdfile_read IMAGE PATH   (PATH inside the volume, e.g. "C:\fly00000.evf")
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "brisca/card/fat_file_source.h"
#include "brisca/card/raw_fat_volume.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: sdfile_read IMAGE PATH\n");
    return 2;
  }
  ::setenv("BRISCA_PHYSICAL_DRIVES", argv[1], 1);
  brisca::FatSetDrive(0);
  brisca::FatSetPartitionStarts({0, 0, 0, 0});
  if (brisca::FatMount("C:") != brisca::FatResult::kOk) return 1;
  brisca::CSdFile file;
  if (file.OpenFile(argv[2], 1) != 0) {
    std::fprintf(stderr, "sdfile_read: cannot open %s (%d)\n", argv[2],
                 static_cast<int>(file.last_result()));
    return 1;
  }
  std::vector<char> buffer(1 << 20);
  for (;;) {
    const int got = file.Read(buffer.data(), static_cast<uint32_t>(buffer.size()));
    if (got < 0) {
      std::fprintf(stderr, "sdfile_read: read error %d\n", static_cast<int>(file.last_result()));
      return 1;
    }
    if (got == 0) break;
    if (std::fwrite(buffer.data(), 1, static_cast<size_t>(got), stdout) != static_cast<size_t>(got)) {
      return 1;
    }
  }
  return 0;
}
