#include "brisca/card/fat_file_source.h"

#include <algorithm>
#include <climits>

#include "brisca/base/diag_log.h"

namespace brisca {

CSdFile::~CSdFile() { Close(); }

int CSdFile::OpenFile(const char* path, int mode) {
  last_result_ = FatOpen(file_, path, static_cast<uint8_t>(mode));
  if (last_result_ != FatResult::kOk) {
    BrLog("CSdFile::OpenFile:1 %d %s ", static_cast<int>(last_result_), path ? path : "");
    return -1;
  }
  return 0;
}

int CSdFile::Close() {
  if (file_.is_open()) FatClose(file_);
  return 0;
}

int CSdFile::Seek(int64_t offset, SeekOrigin /*origin*/) {
  if (offset < 0) return -1;
  const FatResult result = FatSeek(file_, static_cast<uint64_t>(offset));
  if (result != FatResult::kOk) {
    last_result_ = result;
    return -1;
  }
  return 0;
}

uint64_t CSdFile::Tell() { return file_.position(); }

uint64_t CSdFile::Size() { return file_.size(); }

int CSdFile::Read(void* buffer, uint32_t count) {
  uint32_t read = 0;
  const FatResult result = FatRead(file_, buffer, std::min<uint32_t>(count, INT_MAX), &read);
  if (result != FatResult::kOk) {
    last_result_ = result;
    return -1;
  }
  return static_cast<int>(read);
}

int CSdFile::Write(const void*, uint32_t) { return -1; }

int64_t CSdFile::ReadSome(void* buffer, uint32_t count) { return Read(buffer, count); }

}  // namespace brisca
