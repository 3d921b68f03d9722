// Writes an SD-card image: a master boot record with one FAT32 partition
// (type 0x0C) per host folder, each partition formatted by the real
// mkfs.fat with 4096-byte logical sectors and filled with mtools' mcopy.
// The image is sparse: only the file systems' structures and the copied
// files take space.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brisca::tools::card {

struct CardPartition {
  uint64_t start_bytes = 0;  // multiple of 1 MiB
  uint64_t size_bytes = 0;
};

// Writes `out` with one partition per folder of `partition_folders` (1-4),
// holding the folder's files in its root directory. Returns the partitions'
// places. Throws std::runtime_error when a tool is missing or fails.
std::vector<CardPartition> WriteCardImage(const std::string& out,
                                          const std::vector<std::string>& partition_folders);

}  // namespace brisca::tools::card
