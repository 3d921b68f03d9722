#include "brisca/recordings/stream_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <system_error>
#include <vector>

#include "brisca/disk/disk_manager.h"
#include "brisca/disk/disk_reader.h"
#include "brisca/stream/stream_frame.h"

namespace brisca {
namespace {

namespace fs = std::filesystem;

// Reads the start of a regular file without blocking on anything else (a
// FIFO put in the folder would stall a plain open).
bool ProbeFile(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat status {};
  uint8_t head[kStreamProbeBytes];
  ssize_t got = 0;
  if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) got = ::pread(fd, head, sizeof head, 0);
  ::close(fd);
  return got > 0 && StartsLikeStream(head, static_cast<size_t>(got));
}

// The folder's regular files in name order, at most kMostExaminedFiles.
std::vector<fs::path> FilesOf(const fs::path& folder) {
  std::vector<fs::path> files;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (static_cast<int>(files.size()) >= kMostExaminedFiles) break;
    std::error_code kind_error;
    if (it->is_regular_file(kind_error)) files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

uint64_t MillisecondsOfDay(const BR_SYSTEMTIME& t) {
  return ((uint64_t{t.hour} * 60 + t.minute) * 60 + t.second) * 1000;
}

// The record of a stream file as the reader examines it at open; false
// when it does not open as a stream.
bool RecordOf(const fs::path& path, RecFileParam& record) {
  CFileNvr reader(SourceKind::kHostFile);
  if (reader.Open(path.c_str()) != 0) return false;
  const RecFileParam opened = reader.file_param();
  reader.Close();
  record = RecFileParam{};
  const std::string name = path.string();
  if (name.size() >= sizeof record.name) return false;
  name.copy(record.name, name.size());
  record.start_time = opened.start_time;
  record.end_time = opened.end_time;
  record.duration_ms = std::max(opened.duration_ms, 0);
  record.start = MillisecondsOfDay(opened.start_time);
  record.end = record.start + static_cast<uint64_t>(record.duration_ms);
  record.channel = opened.channel > 0 ? opened.channel : 1;
  record.record_type = 0;
  return true;
}

}  // namespace

bool StartsLikeStream(const uint8_t* data, size_t size) {
  if (!LooksLikeHeader(data, size)) return false;
  StreamFrame frame;
  const Recognition recognition = RecognizeFrame(data, size, frame);
  return recognition.match == FrameMatch::kFrame ||
         (recognition.match == FrameMatch::kNeedMoreData && recognition.needed > 0);
}

int ListStreamFolder(const std::string& folder, RecFileParam** list) {
  std::error_code error;
  const fs::path absolute = fs::absolute(folder, error).lexically_normal();
  if (error || !fs::is_directory(absolute, error)) return -1;
  std::vector<RecFileParam> records;
  for (const fs::path& file : FilesOf(absolute)) {
    if (static_cast<int>(records.size()) >= kMaxListedRecordings) break;
    RecFileParam record;
    if (ProbeFile(file) && RecordOf(file, record)) records.push_back(record);
  }
  if (records.empty()) return -1;
  auto* array = static_cast<RecFileParam*>(std::calloc(records.size(), sizeof(RecFileParam)));
  if (!array) throw std::bad_alloc();
  std::copy(records.begin(), records.end(), array);
  *list = array;
  return static_cast<int>(records.size());
}

}  // namespace brisca
