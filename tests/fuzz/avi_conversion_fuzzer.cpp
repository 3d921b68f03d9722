// Fuzz target for the AVI conversion of damaged recordings onto a failing
// disk: the first six bytes are the start and end hour, minute and second
// (any values, 255 included), the next two the write that fails (0 for
// none) and how (bits 0-1 the error: ENOSPC, EFBIG, EIO; bit 2 every later
// write fails too), the rest a recording stream. The recording is converted
// from memory into a memory file. A run in which a write failed must report
// the failure, and whatever the run reports, a file it leaves must be a
// whole AVI: a movie list of whole chunks and an index entry for each chunk
// when there is an index, behind the final header (RIFF size matching the
// file) or, when that could not be written, the provisional one.
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "brisca/base/file_write.h"
#include "brisca/export/avi_header.h"
#include "brisca/export/convert_file_nvr.h"

namespace {

constexpr size_t kControlBytes = 8;
constexpr size_t kMovieListAt = 2036;
constexpr size_t kFirstChunkAt = 2048;

int reports = 0;
int final_reports = 0;
int failure_reports = 0;

void BRISCA_CALL Count(uint32_t, int32_t done, int32_t total) {
  ++reports;
  if (done == -1 || done == total) ++final_reports;
  if (done == -1) ++failure_reports;
}

uint32_t Le32(const std::vector<uint8_t>& bytes, size_t at) {
  uint32_t value = 0;
  std::memcpy(&value, bytes.data() + at, 4);
  return value;
}

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

void CheckAvi(int fd) {
  struct stat info {};
  Require(fstat(fd, &info) == 0);
  std::vector<uint8_t> bytes(static_cast<size_t>(info.st_size));
  Require(pread(fd, bytes.data(), bytes.size(), 0) == static_cast<ssize_t>(bytes.size()));
  Require(bytes.size() >= kFirstChunkAt && std::memcmp(bytes.data(), "RIFF", 4) == 0);
  // A provisional header leaves the chunks to run up to idx1 or the end.
  const bool provisional = Le32(bytes, 4) == brisca::kAviProvisionalSize;
  Require(provisional || Le32(bytes, 4) == bytes.size() - 8);
  uint64_t movie_end = kMovieListAt + 8 + uint64_t{Le32(bytes, kMovieListAt + 4)};
  if (provisional) {
    movie_end = kFirstChunkAt;
    while (movie_end + 8 <= bytes.size() && std::memcmp(bytes.data() + movie_end, "idx1", 4) != 0)
      movie_end += 8 + uint64_t{Le32(bytes, movie_end + 4)} + Le32(bytes, movie_end + 4) % 2;
  }
  Require(movie_end <= bytes.size());
  uint64_t at = kFirstChunkAt;
  size_t chunks = 0;
  while (at < movie_end) {
    Require(at + 8 <= movie_end);
    const uint32_t length = Le32(bytes, at + 4);
    at += 8 + uint64_t{length} + length % 2;
    ++chunks;
  }
  Require(at == movie_end);
  if (movie_end < bytes.size()) {
    Require(movie_end + 8 <= bytes.size() && std::memcmp(bytes.data() + movie_end, "idx1", 4) == 0);
    Require(Le32(bytes, movie_end + 4) == 16 * chunks);
    Require(movie_end + 8 + 16 * chunks == bytes.size());
  }
}

constexpr int kWriteErrors[] = {ENOSPC, EFBIG, EIO, ENOSPC};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kControlBytes) return 0;
  const uint32_t start = uint32_t{data[0]} << 16 | uint32_t{data[1]} << 8 | data[2];
  const uint32_t end = uint32_t{data[3]} << 16 | uint32_t{data[4]} << 8 | data[5];
  const int source = memfd_create("recording", MFD_CLOEXEC);
  const int output = memfd_create("converted", MFD_CLOEXEC);
  const size_t stream = size - kControlBytes;
  if (source >= 0 && output >= 0 &&
      write(source, data + kControlBytes, stream) == static_cast<ssize_t>(stream)) {
    // Paths with a '/' are read as stream files.
    const std::string source_path = "/proc/self/fd/" + std::to_string(source);
    const std::string output_path = "/proc/self/fd/" + std::to_string(output);
    brisca::CConvertFileNvr conversion(source_path, output_path);
    conversion.SetCallback(0, Count);
    reports = final_reports = failure_reports = 0;
    const int nth_write = data[6];
    brisca::InjectWriteFault(nth_write, kWriteErrors[data[7] & 3], (data[7] & 4) != 0);
    const int result = conversion.Convert(start, end);
    const bool write_failed = nth_write != 0 && brisca::WriteCallCount() >= nth_write;
    brisca::InjectWriteFault(0, 0, false);
    // A run reports its end exactly once; a refused run reports nothing
    // but, for times that are no time of day, its failure, and leaves no
    // file.
    Require(result == 0 ? final_reports == 1 : reports == failure_reports && reports <= 1);
    Require(!write_failed || failure_reports == 1);
    struct stat info {};
    Require(fstat(output, &info) == 0);
    if (result == 0) {
      // A file whose header area could not be written holds nothing.
      if (!write_failed || info.st_size != 0) CheckAvi(output);
    } else {
      Require(info.st_size == 0);
    }
  }
  if (source >= 0) close(source);
  if (output >= 0) close(output);
  return 0;
}
