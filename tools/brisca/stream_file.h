// Reading a stream file of the host frame by frame, for the tool's commands.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "brisca/recordings/stream_frame_reader.h"

namespace brisca::tools {

class StreamFile {
 public:
  // Opens `path` read-only; ok() tells whether that worked.
  explicit StreamFile(const std::string& path);

  bool ok() const { return file_ != nullptr; }
  StreamFrameReader& reader() { return reader_; }
  FramePool& pool() { return pool_; }

 private:
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, Closer> file_;
  FramePool pool_;
  StreamFrameReader reader_;
};

}  // namespace brisca::tools
