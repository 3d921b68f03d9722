// `brisca frames FILE`: one listing line per delivered frame.
#include <cstdio>
#include <string>

#include "tools/brisca/commands.h"
#include "tools/brisca/frame_listing.h"
#include "tools/brisca/stream_file.h"

namespace brisca::tools {

int RunFramesCommand(int argc, char** argv) {
  if (argc != 1) {
    std::fprintf(stderr, "usage: brisca frames FILE\n");
    return 2;
  }
  StreamFile stream(argv[0]);
  if (!stream.ok()) {
    std::fprintf(stderr, "brisca frames: cannot open %s\n", argv[0]);
    return 1;
  }
  for (;;) {
    RecFrame* frame = nullptr;
    RecFrame* info = nullptr;
    const auto status = stream.reader().Next(stream.pool(), &frame, &info);
    if (status == StreamFrameReader::Status::kEnd) break;
    if (status != StreamFrameReader::Status::kFrame) {
      std::fprintf(stderr, "brisca frames: read error in %s\n", argv[0]);
      return 1;
    }
    for (RecFrame* out : {frame, info}) {
      if (!out) continue;
      const std::string line = FormatFrameLine(out->kind, out->timestamp, out->data, out->length);
      std::fputs(line.c_str(), stdout);
      std::fputc('\n', stdout);
      stream.pool().Release(out);
    }
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace brisca::tools
