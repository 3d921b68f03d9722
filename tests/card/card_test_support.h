// Cards for the card tests: synthetic recordings whose every frame is known,
// containers and index files written in folder mode, and FAT32 card images
// made with mkfs.fat and mcopy.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tools/card/card_index_writer.h"
#include "tools/card/evf_writer.h"

namespace brisca::testing {

// A folder of its own under the temporary folder, removed at destruction.
class CardTempFolder {
 public:
  CardTempFolder();
  ~CardTempFolder();
  CardTempFolder(const CardTempFolder&) = delete;
  CardTempFolder& operator=(const CardTempFolder&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// A recording of `video` frames `interval_us` apart from `first_us`, every
// `key_every`-th a key frame (the first always), and `audio` audio frames
// on the same clock; payloads are distinct byte patterns.
tools::card::CardRecordingFrames SyntheticRecording(uint32_t video, uint32_t audio,
                                                    uint32_t key_every,
                                                    uint64_t first_us = 5000000,
                                                    uint64_t interval_us = 40000);

// Writes `recordings` one after another into `path`; returns each one's
// region offset.
std::vector<uint32_t> WriteContainer(const std::string& path,
                                     const std::vector<tools::card::CardRecordingFrames>& recordings,
                                     uint32_t video_per_block = 3000);

// An indexed file `file_number` on `channel` whose slots hold recordings
// starting at `start_seconds` (+10 s per slot), one second long, at the
// given region offsets.
tools::card::IndexedFile IndexedFileOf(uint32_t file_number, uint8_t channel,
                                       const std::vector<uint32_t>& offsets,
                                       uint32_t start_seconds = 1772870400);

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::string& path);

// Collects the damage reports made while it lives (damage_report.h).
class DamageCapture {
 public:
  DamageCapture();
  ~DamageCapture();
  DamageCapture(const DamageCapture&) = delete;
  DamageCapture& operator=(const DamageCapture&) = delete;
  const std::vector<std::string>& lines() const { return lines_; }
  // The reports that contain `text`.
  size_t Count(const std::string& text) const;

 private:
  std::vector<std::string> lines_;
};

// 2026-03-07 08:00:00 as the recorder's seconds since 1970.
inline constexpr uint32_t kCardTestStart = 1772870400;

}  // namespace brisca::testing

namespace brisca::testing {

// Writes an empty index "P_index00.bin" for each partition of `partitions`.
void WriteEmptyFolderIndexes(const std::string& folder, const std::vector<int>& partitions);

// An export-style folder whose partition 0 holds file 1 with `recordings`
// (channel 1) and whose partitions 1-3 are empty.
void WriteFolderCard(const std::string& folder,
                     const std::vector<tools::card::CardRecordingFrames>& recordings,
                     uint32_t video_per_block = 3000);

}  // namespace brisca::testing
