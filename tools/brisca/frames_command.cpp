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
  const auto print = [](const RecFrame& frame) {
    const std::string line = FormatFrameLine(frame.kind, frame.timestamp, frame.data, frame.length);
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
  };
  const bool complete = stream.ForEachFrame([&](const RecFrame& frame, const RecFrame* info) {
    print(frame);
    if (info) print(*info);
  });
  if (!complete) {
    std::fprintf(stderr, "brisca frames: read error in %s\n", argv[0]);
    return 1;
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace brisca::tools
