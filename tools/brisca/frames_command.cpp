// `brisca frames FILE` and `brisca frames --disk NAME`: one listing line per
// delivered frame, from a stream file of the host or from a recording of the
// recorder disk found on the drive names.
#include <cstdio>
#include <cstring>
#include <string>

#include "brisca/disk/disk_manager.h"
#include "brisca/disk/disk_reader.h"
#include "tools/brisca/commands.h"
#include "tools/brisca/frame_listing.h"
#include "tools/brisca/stream_file.h"

namespace brisca::tools {
namespace {

void Print(const RecFrame& frame) {
  const std::string line = FormatFrameLine(frame.kind, frame.timestamp, frame.data, frame.length);
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
}

int ListFile(const char* path) {
  StreamFile stream(path);
  if (!stream.ok()) {
    std::fprintf(stderr, "brisca frames: cannot open %s\n", path);
    return 1;
  }
  const bool complete = stream.ForEachFrame([](const RecFrame& frame, const RecFrame* info) {
    Print(frame);
    if (info) Print(*info);
  });
  if (!complete) {
    std::fprintf(stderr, "brisca frames: read error in %s\n", path);
    return 1;
  }
  return 0;
}

// Reads the recording through the disk reader until its end.
int ListDiskRecording(const char* name) {
  CIndexFileNvrMgr& manager = DiskManager();
  NvrSearchResult found[kDriveCount] = {};
  if (manager.SearchSD(-1, found) == 0) {
    std::fprintf(stderr, "brisca frames: no recorder disk on C: to N: (see BRISCA_DRIVES)\n");
    return 1;
  }
  if (manager.Mount() != 0) {
    std::fprintf(stderr, "brisca frames: cannot mount the recorder disk\n");
    return 1;
  }
  int result = 0;
  {
    CFileNvr reader(SourceKind::kDiskStream);
    if (reader.Open(name) != 0) {
      std::fprintf(stderr, "brisca frames: cannot open recording %s\n", name);
      result = 1;
    } else {
      RecFrame* frame = nullptr;
      RecFrame* info = nullptr;
      while (reader.ReadFrame(&frame, &info) == 0) {
        Print(*frame);
        reader.ReleaseFrame(frame);
        if (info) {
          Print(*info);
          reader.ReleaseFrame(info);
        }
        info = nullptr;
      }
    }
  }
  manager.Unmount();
  return result;
}

}  // namespace

int RunFramesCommand(int argc, char** argv) {
  int result = 2;
  if (argc == 1) {
    result = ListFile(argv[0]);
  } else if (argc == 2 && std::strcmp(argv[0], "--disk") == 0) {
    result = ListDiskRecording(argv[1]);
  } else {
    std::fprintf(stderr, "usage: brisca frames FILE | brisca frames --disk NAME\n");
    return 2;
  }
  return std::fflush(stdout) == 0 ? result : 1;
}

}  // namespace brisca::tools
