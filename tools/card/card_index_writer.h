// Builds a card index file ("index00.bin") from a description of the card:
// the file ring with its capacity and oldest entry, the files still open on
// their channels, and the recording entries of every file.
#pragma once

#include <cstdint>
#include <vector>

#include "brisca/card/card_index_layout.h"

namespace brisca::tools::card {

struct IndexedRecording {
  uint8_t record_type = 0;
  uint8_t info_byte = 0;
  uint8_t audio_codec = 0;
  uint32_t start_seconds = 0;  // since 1970, recorder's wall clock
  uint32_t end_seconds = 0;
  uint32_t region_offset = 0;  // in the file's container
};

struct IndexedFile {
  uint32_t file_number = 0;
  uint8_t channel = 1;  // 0 or 255: not known (a descriptor may repair it)
  std::vector<IndexedRecording> recordings;  // slot 0 first, 1-256 of them
};

struct CardIndexLayout {
  uint32_t ring_capacity = 0;  // N
  uint32_t oldest = 0;         // S: ring index of ring_files[0]
  std::vector<IndexedFile> ring_files;  // time order; placed from S, wrapping
  // Files being written now: descriptor `channel` names each (channel 1-32).
  std::vector<IndexedFile> open_files;
  // Descriptors that name a ring file without making it an entry of its
  // own (C counts ring and open files only): {channel, file number}.
  std::vector<std::pair<uint8_t, uint32_t>> extra_descriptors;
  // Entries in use (C); by default ring plus open files.
  int64_t in_use = -1;
  bool seal_checksum = true;
};

// The whole index file. Throws std::invalid_argument when the ring does not
// fit its capacity, a channel is out of range, or a file has no recordings
// or more than 256.
std::vector<uint8_t> BuildCardIndex(const CardIndexLayout& layout);

}  // namespace brisca::tools::card
