#include "tools/card/card_image.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "brisca/recordings/le_fields.h"

namespace brisca::tools::card {
namespace {

namespace fs = std::filesystem;

constexpr uint64_t kMiB = 1048576;
constexpr uint64_t kLogicalSector = 4096;
// FAT32 needs at least 65,525 clusters: with one 4096-byte sector a cluster
// that is 256 MiB of data area, plus the FATs and reserved sectors.
constexpr uint64_t kMinimumPartition = 300 * kMiB;
constexpr uint8_t kFat32LbaType = 0x0C;

// Runs `argv` with MTOOLS_SKIP_CHECK=1 (mtools would otherwise refuse the
// geometry of an image without a drive behind it) and standard output
// silenced. Throws when it cannot run or does not succeed.
void Run(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  const pid_t child = ::fork();
  if (child < 0) throw std::runtime_error("cannot start " + argv[0]);
  if (child == 0) {
    ::setenv("MTOOLS_SKIP_CHECK", "1", 1);
    // mkfs.fat warns that the image is larger than the partition it
    // formats; failures show in the exit status.
    const int null = ::open("/dev/null", O_WRONLY);
    if (null >= 0) {
      ::dup2(null, STDOUT_FILENO);
      if (argv[0] == "mkfs.fat") ::dup2(null, STDERR_FILENO);
    }
    ::execvp(args[0], args.data());
    // mkfs.fat lives in the administrator's folders, often not on PATH.
    for (const char* folder : {"/usr/sbin/", "/sbin/"}) {
      const std::string path = folder + argv[0];
      ::execv(path.c_str(), args.data());
    }
    ::_exit(127);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) throw std::runtime_error("cannot wait for " + argv[0]);
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error(argv[0] + " failed (is " +
                             (argv[0] == "mkfs.fat" ? "dosfstools" : "mtools") + " installed?)");
}

uint64_t FolderBytes(const std::string& folder) {
  uint64_t bytes = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder))
    if (entry.is_regular_file()) bytes += entry.file_size();
  return bytes;
}

std::array<uint8_t, 512> MasterBootRecord(const std::vector<CardPartition>& partitions) {
  std::array<uint8_t, 512> sector{};
  for (size_t k = 0; k < partitions.size(); ++k) {
    uint8_t* entry = sector.data() + 446 + 16 * k;
    // CHS fields hold the "use LBA" values.
    entry[1] = entry[5] = 0xFE;
    entry[2] = entry[3] = entry[6] = entry[7] = 0xFF;
    entry[4] = kFat32LbaType;
    StoreField(entry + 8, static_cast<uint32_t>(partitions[k].start_bytes / 512));
    StoreField(entry + 12, static_cast<uint32_t>(partitions[k].size_bytes / 512));
  }
  sector[510] = 0x55;
  sector[511] = 0xAA;
  return sector;
}

}  // namespace

std::vector<CardPartition> WriteCardImage(const std::string& out,
                                          const std::vector<std::string>& partition_folders) {
  if (partition_folders.empty() || partition_folders.size() > 4)
    throw std::runtime_error("a card has 1-4 partitions");
  std::vector<CardPartition> partitions;
  uint64_t next = kMiB;
  for (const std::string& folder : partition_folders) {
    const uint64_t content = FolderBytes(folder);
    const uint64_t wanted = std::max(kMinimumPartition, content + content / 16 + 32 * kMiB);
    const uint64_t size = (wanted + kMiB - 1) / kMiB * kMiB;
    partitions.push_back({next, size});
    next += size;
  }
  {
    std::error_code ignored;
    fs::remove(out, ignored);
    std::ofstream image(out, std::ios::binary);
    if (!image) throw std::runtime_error("cannot create " + out);
  }
  fs::resize_file(out, next);
  for (size_t p = 0; p < partitions.size(); ++p) {
    const CardPartition& partition = partitions[p];
    Run({"mkfs.fat", "-F", "32", "-S", std::to_string(kLogicalSector), "-s", "1", "--offset",
         std::to_string(partition.start_bytes / kLogicalSector), "-n", "CARD" + std::to_string(p),
         out, std::to_string(partition.size_bytes / 1024)});
    std::vector<std::string> copy = {"mcopy", "-i", out + "@@" + std::to_string(partition.start_bytes)};
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(partition_folders[p]))
      if (entry.is_regular_file()) names.push_back(entry.path().string());
    std::sort(names.begin(), names.end());
    if (names.empty()) continue;
    copy.insert(copy.end(), names.begin(), names.end());
    copy.push_back("::");
    Run(copy);
  }
  const std::array<uint8_t, 512> mbr = MasterBootRecord(partitions);
  std::fstream image(out, std::ios::binary | std::ios::in | std::ios::out);
  image.write(reinterpret_cast<const char*>(mbr.data()), mbr.size());
  if (!image) throw std::runtime_error("cannot write the partition table of " + out);
  return partitions;
}

}  // namespace brisca::tools::card
