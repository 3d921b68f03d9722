// Test helpers for card volumes: FAT images made and filled by the real
// dosfstools and mtools, read back with mtype, and patched on purpose.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace brisca::testing {

using Bytes = std::vector<uint8_t>;

// A folder unique to this process and test, removed with everything in it.
class FatTempFolder {
 public:
  FatTempFolder();
  ~FatTempFolder();
  FatTempFolder(const FatTempFolder&) = delete;
  FatTempFolder& operator=(const FatTempFolder&) = delete;
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// Runs `command` through the shell with mtools' geometry check off; its
// standard output, or fails the test (ADD_FAILURE) on a nonzero exit.
Bytes RunTool(const std::string& command);

// Shell quoting of one argument.
std::string Quoted(const std::string& text);

// mkfs.fat -C IMAGE with 4096-byte logical sectors unless `options` says
// otherwise; `kib` is the image size in KiB.
void MakeFat(const std::string& image, const std::string& options, uint64_t kib);
// mcopy of `bytes` to `volume_path` ("/folder/name", UTF-8) on `image`.
void CopyIn(const std::string& image, const std::string& volume_path, const Bytes& bytes);
// mmd of `volume_path` on `image`.
void MakeFolder(const std::string& image, const std::string& volume_path);
// mdel of `volume_path` on `image`.
void Delete(const std::string& image, const std::string& volume_path);
// What mtype prints for `volume_path` on `image`.
Bytes Mtype(const std::string& image, const std::string& volume_path);

// `utf8` in code page 936, as the reader takes paths.
std::string ToCp936(const std::string& utf8);

// Deterministic bytes.
Bytes Pattern(size_t size, uint32_t seed);

Bytes ReadWhole(const std::string& path);
void WriteWhole(const std::string& path, const Bytes& bytes);
// The first `size` bytes of a file (fewer when it is shorter), and writing
// bytes over the start of a file, leaving the rest as it is.
Bytes ReadHead(const std::string& path, size_t size);
void WriteHead(const std::string& path, const Bytes& bytes);

// Little-endian fields of an image held in memory.
uint32_t Get32(const Bytes& bytes, size_t offset);
uint16_t Get16(const Bytes& bytes, size_t offset);
void Put32(Bytes& bytes, size_t offset, uint32_t value);
void Put16(Bytes& bytes, size_t offset, uint16_t value);

// The geometry of a FAT volume read from its boot sector at `base` (bytes).
struct FatGeometry {
  uint64_t base = 0;
  uint32_t sector = 0;
  uint32_t per_cluster = 0;
  uint32_t reserved = 0;
  uint32_t fats = 0;
  uint32_t root_entries = 0;
  uint32_t total = 0;
  uint32_t fat_size = 0;
  uint64_t FatOffset() const { return base + uint64_t{reserved} * sector; }
  uint64_t DataOffset() const {
    return FatOffset() + uint64_t{fats} * fat_size * sector + uint64_t{root_entries} * 32;
  }
  uint32_t Clusters() const {
    return static_cast<uint32_t>((total - reserved - fats * fat_size - root_entries * 32 / sector) /
                                 per_cluster);
  }
};
FatGeometry ReadGeometry(const Bytes& image, uint64_t base = 0);

// The byte offset of the 32-byte short entry of `short_name` (11 bytes as
// stored) in the directory that starts at byte `dir_offset`, searching
// `entries` entries; fails the test when it is missing.
size_t FindShortEntry(const Bytes& image, uint64_t dir_offset, size_t entries,
                      const std::string& short_name);

}  // namespace brisca::testing
