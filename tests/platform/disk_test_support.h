// Test helpers: hand-made recording streams, temporary folders, images
// written by the image writer, and an editor that damages images on purpose
// and reseals their checksums.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/talvo_file_system/byte_source.h"

#include "platform/talvo_file_system/disk_format.h"
#include "platform/talvo_file_system/disk_image_writer.h"

namespace tvfs::testing {

using Bytes = std::vector<uint8_t>;

// A stream of `seconds` seconds from `start`: per second one key frame with
// a clock and a timestamp, one predicted frame and one audio frame.
struct MadeStream {
  Bytes bytes;
  std::vector<uint64_t> key_offsets;  // one per second
};
MadeStream MakeStream(std::chrono::local_seconds start, int seconds, uint8_t stream_byte = 1);

std::chrono::local_seconds At(int year, unsigned month, unsigned day, int hour, int minute,
                              int second);

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

void WriteFile(const std::string& path, const Bytes& bytes);
Bytes ReadFile(const std::string& path);

struct StreamSegment {
  uint8_t channel = 0;
  uint8_t record_type = 0;
  MadeStream stream;
};

// Writes the segments' streams into `folder` and an image of them; returns
// the image path. Fails the test (ADD_FAILURE) when building fails.
std::string BuildImage(const TempFolder& folder, const std::string& name, uint32_t disk_number,
                       const std::vector<StreamSegment>& segments);

// Decodes and re-encodes the records of an image held in memory.
class ImageEditor {
 public:
  explicit ImageEditor(Bytes bytes) : bytes_(std::move(bytes)) {}

  Superblock superblock() const;
  void set_superblock(const Superblock& superblock);  // reseals its CRC
  DateEntry date(size_t index) const;
  void set_date(size_t index, const DateEntry& entry);
  SegmentEntry segment(size_t date_index, size_t index) const;
  void set_segment(size_t date_index, size_t index, const SegmentEntry& entry);
  uint64_t date_entry_offset(size_t index) const;
  uint64_t segment_entry_offset(size_t date_index, size_t index) const;
  // Recomputes the segment-table, date-table and superblock CRCs.
  void Reseal();

  Bytes& bytes() { return bytes_; }
  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
};

// Mounts `bytes` (written to a file in `folder`) on a new instance and
// returns the mount result; the instance is deleted again.
int MountBytes(const TempFolder& folder, const Bytes& bytes);

// What a mounted disk yields, walked as the disk search and the reader walk
// it. `text` is the mount result, then per date "| day: " and either the
// query's error or one token per listed segment: "o" when it opened, read
// to its end and sought by time, "i" when only seeking by time failed (its
// time index is unusable), else the error of its open or read.
struct Walk {
  std::string text;
  std::vector<uint32_t> data_crcs;  // of every segment read to its end
};
Walk WalkImage(const TempFolder& folder, const Bytes& bytes);
// Whether every error code `walk` shows is one of `errors`.
bool ShowsOnlyErrors(std::string walk, const std::vector<std::string>& errors);
Walk WalkSource(std::shared_ptr<const ByteSource> source);

}  // namespace tvfs::testing
