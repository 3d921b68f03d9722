// Reading a stream file of the host frame by frame, for the tool's commands.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "brisca/stream/stream_frame_reader.h"

namespace brisca::tools {

class StreamFile {
 public:
  // Opens `path` read-only; ok() tells whether that worked.
  explicit StreamFile(const std::string& path);

  bool ok() const { return file_ != nullptr; }

  // Calls `visit` with every delivered frame and its telemetry frame (null
  // when it has none), then gives both back to the pool. The parsed frame
  // and its offset are available from reader() during the call. Returns
  // false when the file could not be read to its end.
  using Visitor = std::function<void(const RecFrame& frame, const RecFrame* info)>;
  bool ForEachFrame(const Visitor& visit);

  const StreamFrameReader& reader() const { return reader_; }

 private:
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, Closer> file_;
  FramePool pool_;
  StreamFrameReader reader_;
};

}  // namespace brisca::tools
