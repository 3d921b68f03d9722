#include "tools/brisca/stream_file.h"

namespace brisca::tools {

StreamFile::StreamFile(const std::string& path)
    : file_(std::fopen(path.c_str(), "rb")),
      reader_([this](uint8_t* buffer, size_t capacity) -> int64_t {
        const size_t count = std::fread(buffer, 1, capacity, file_.get());
        if (count == 0 && std::ferror(file_.get())) return -1;
        return static_cast<int64_t>(count);
      }) {}

bool StreamFile::ForEachFrame(const Visitor& visit) {
  for (;;) {
    RecFrame* frame = nullptr;
    RecFrame* info = nullptr;
    const auto status = reader_.Next(pool_, &frame, &info);
    if (status == StreamFrameReader::Status::kEnd) return true;
    // The pool cannot run dry here: both frames go back after each visit.
    if (status != StreamFrameReader::Status::kFrame) return false;
    visit(*frame, info);
    pool_.Release(frame);
    pool_.Release(info);
  }
}

}  // namespace brisca::tools
