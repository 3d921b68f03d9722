// The `brisca` command-line tool: sample recordings and stream inspection.
#include <cstdio>
#include <cstring>

#include "tools/brisca/commands.h"
#include "tools/sample/sample_command.h"

namespace {

void PrintUsage() {
  std::fputs(
      "usage: brisca COMMAND [ARGS]\n"
      "  sample stream [OPTIONS] -o FILE   write a generated recording (see 'brisca sample')\n"
      "  frames FILE                       list the frames of a stream file\n"
      "  summary FILE...                   describe stream files\n"
      "  extract FILE VIDEO AUDIO          write the H.264 and voice payloads of a stream file\n",
      stderr);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    PrintUsage();
    return 2;
  }
  const char* command = argv[1];
  if (std::strcmp(command, "sample") == 0)
    return brisca::tools::RunSampleCommand(argc - 2, argv + 2);
  if (std::strcmp(command, "frames") == 0)
    return brisca::tools::RunFramesCommand(argc - 2, argv + 2);
  if (std::strcmp(command, "summary") == 0)
    return brisca::tools::RunSummaryCommand(argc - 2, argv + 2);
  if (std::strcmp(command, "extract") == 0)
    return brisca::tools::RunExtractCommand(argc - 2, argv + 2);
  PrintUsage();
  return 2;
}
