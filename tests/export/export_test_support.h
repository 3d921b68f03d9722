// Test helpers for the AVI writer and the conversion: generated recordings,
// a reader of the AVI files the writer makes, and the frames a range of a
// recording holds. Needs EXPORT_TEST_TOOL (the brisca tool) and
// EXPORT_TEST_WORK (a work folder) defined by the build.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace brisca::testing {

// A recording made with `brisca sample stream OPTIONS` in the work folder,
// once per options even across test processes; empty on failure.
std::string Recording(const std::string& options);

// A path in the work folder whose file has been removed.
std::string WorkPath(const std::string& name);

bool FileExists(const std::string& path);
// The file's bytes; empty when it cannot be read.
std::vector<uint8_t> ReadBytes(const std::string& path);

struct AviChunk {
  std::string id;
  uint64_t offset = 0;  // of the chunk header
  std::vector<uint8_t> data;
  uint8_t pad = 0;  // the byte after odd data
};

struct AviIndexEntry {
  std::string id;
  uint32_t flags = 0;
  uint32_t offset = 0;
  uint32_t length = 0;
};

// A file as written: its bytes, the movie list's chunks in file order and
// the idx1 entries (empty when there is no idx1).
struct AviFile {
  std::vector<uint8_t> bytes;
  std::vector<AviChunk> chunks;
  std::vector<AviIndexEntry> index;
  bool has_index = false;

  uint32_t U32(size_t at) const;
  uint16_t U16(size_t at) const;
  std::string Tag(size_t at) const;
  std::vector<std::vector<uint8_t>> Chunks(const std::string& id) const;
  std::vector<uint8_t> Joined(const std::string& id) const;
};

// Reads a file and walks its movie list (from the size the header gives)
// and idx1. Nullopt when the file cannot be read, is shorter than its
// header area, or its movie list is not a run of whole chunks.
std::optional<AviFile> ReadAvi(const std::string& path);

// Every entry below `folder` by its relative path: a file's bytes, a link's
// target after "-> ", a folder as "<folder>". Equal before and after a run
// when the run changed nothing in the tree.
std::map<std::string, std::string> FolderContents(const std::string& folder);

// Runs a shell command; its standard output (and error, with `2>&1`).
std::string Shell(const std::string& command, int* status = nullptr);

}  // namespace brisca::testing
