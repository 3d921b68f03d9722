#include "tests/export/export_test_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>

namespace brisca::testing {
namespace {

constexpr size_t kMovieListAt = 2036;
constexpr size_t kFirstChunkAt = 2048;

}  // namespace

std::string Recording(const std::string& options) {
  const std::filesystem::path folder = EXPORT_TEST_WORK;
  std::filesystem::create_directories(folder);
  char name[64];
  std::snprintf(name, sizeof name, "recording-%016zx.strm", std::hash<std::string>{}(options));
  const std::string path = (folder / name).string();
  if (FileExists(path)) return path;
  // Made under a name of this process and renamed whole, so that test
  // processes running at once never see half a recording.
  const std::string part = path + "." + std::to_string(getpid());
  const std::string command = std::string("'") + EXPORT_TEST_TOOL + "' sample stream " + options +
                              " -o '" + part + "' >/dev/null";
  if (std::system(command.c_str()) != 0) return {};
  std::filesystem::rename(part, path);
  return path;
}

std::string WorkPath(const std::string& name) {
  const std::filesystem::path folder = EXPORT_TEST_WORK;
  std::filesystem::create_directories(folder);
  const std::filesystem::path path = folder / name;
  std::filesystem::remove(path);
  return path.string();
}

bool FileExists(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(path, error);
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t AviFile::U32(size_t at) const {
  uint32_t value = 0;
  if (at + 4 <= bytes.size()) std::memcpy(&value, bytes.data() + at, 4);
  return value;
}

uint16_t AviFile::U16(size_t at) const {
  uint16_t value = 0;
  if (at + 2 <= bytes.size()) std::memcpy(&value, bytes.data() + at, 2);
  return value;
}

std::string AviFile::Tag(size_t at) const {
  if (at + 4 > bytes.size()) return {};
  return std::string(reinterpret_cast<const char*>(bytes.data() + at), 4);
}

std::vector<std::vector<uint8_t>> AviFile::Chunks(const std::string& id) const {
  std::vector<std::vector<uint8_t>> out;
  for (const AviChunk& chunk : chunks)
    if (chunk.id == id) out.push_back(chunk.data);
  return out;
}

std::vector<uint8_t> AviFile::Joined(const std::string& id) const {
  std::vector<uint8_t> out;
  for (const AviChunk& chunk : chunks)
    if (chunk.id == id) out.insert(out.end(), chunk.data.begin(), chunk.data.end());
  return out;
}

std::optional<AviFile> ReadAvi(const std::string& path) {
  AviFile file;
  file.bytes = ReadBytes(path);
  if (file.bytes.size() < kFirstChunkAt) return std::nullopt;
  const uint64_t movie_end = uint64_t{kMovieListAt} + 8 + file.U32(kMovieListAt + 4);
  if (movie_end > file.bytes.size()) return std::nullopt;
  uint64_t at = kFirstChunkAt;
  while (at < movie_end) {
    if (at + 8 > movie_end) return std::nullopt;
    AviChunk chunk;
    chunk.id = file.Tag(at);
    chunk.offset = at;
    const uint32_t length = file.U32(at + 4);
    const uint64_t padded = uint64_t{length} + length % 2;
    if (at + 8 + padded > movie_end) return std::nullopt;
    const auto begin = file.bytes.begin() + static_cast<std::ptrdiff_t>(at + 8);
    chunk.data.assign(begin, begin + length);
    if (length % 2) chunk.pad = file.bytes[at + 8 + length];
    file.chunks.push_back(std::move(chunk));
    at += 8 + padded;
  }
  if (at + 8 <= file.bytes.size() && file.Tag(at) == "idx1") {
    file.has_index = true;
    const uint64_t count = file.U32(at + 4) / 16;
    for (uint64_t i = 0; i < count && at + 8 + 16 * (i + 1) <= file.bytes.size(); ++i) {
      const size_t entry = at + 8 + 16 * i;
      file.index.push_back(
          {file.Tag(entry), file.U32(entry + 4), file.U32(entry + 8), file.U32(entry + 12)});
    }
  }
  return file;
}

std::map<std::string, std::string> FolderContents(const std::string& folder) {
  namespace fs = std::filesystem;
  std::map<std::string, std::string> contents;
  std::error_code error;
  for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    const std::string name = fs::relative(it->path(), folder).string();
    if (it->is_symlink()) {
      contents[name] = "-> " + fs::read_symlink(it->path()).string();
    } else if (it->is_directory()) {
      contents[name] = "<folder>";
    } else {
      const std::vector<uint8_t> bytes = ReadBytes(it->path().string());
      contents[name].assign(bytes.begin(), bytes.end());
    }
  }
  return contents;
}

std::string Shell(const std::string& command, int* status) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) {
    if (status) *status = -1;
    return out;
  }
  char buffer[4096];
  size_t count = 0;
  while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, count);
  const int result = pclose(pipe);
  if (status) *status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
  return out;
}

}  // namespace brisca::testing
