// The `brisca` command-line tool: sample recordings, stream inspection and
// headless playback.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/brisca/commands.h"
#include "tools/card/sample_card_command.h"
#include "tools/disk/mkdisk_command.h"
#include "tools/device/sample_device_command.h"
#include "tools/disk/sample_disk_command.h"
#include "tools/sample/sample_command.h"

namespace {

void PrintUsage() {
  std::fputs(
      "usage: brisca COMMAND [ARGS]\n"
      "  sample stream [OPTIONS] -o FILE   write a generated recording (see 'brisca sample')\n"
      "  sample disk OUT [OPTIONS]         write a generated recorder-disk image\n"
      "  sample device OUT [OPTIONS]       write a generated device recording file\n"
      "                                    (see 'brisca sample device --help')\n"
      "  info FILE                         the summary record of a device recording\n"
      "  telemetry FILE --format csv|gpx [-o OUT]\n"
      "                                    a device recording's telemetry as CSV or GPX 1.1\n"
      "  telemetry NAME --disk IMAGE|--card IMAGE --format csv|gpx [-o OUT]\n"
      "                                    the same for a recording of a recorder-disk or\n"
      "                                    SD-card image (names as 'list --source' shows)\n"
      "  sample card OUT [OPTIONS]         write a generated SD-card image (or, with\n"
      "                                    --folder, an export folder; see 'brisca sample card')\n"
      "  frames FILE                       list the frames of a stream file\n"
      "  frames --disk NAME                list the frames of a recording of the recorder disk\n"
      "  list --disk [--json]              list the recordings of the recorder disk\n"
      "  list --card [--folder DIR] [--json]\n"
      "                                    find the SD card on the physical drives (see\n"
      "                                    BRISCA_PHYSICAL_DRIVES), or read the export folder\n"
      "                                    DIR, and list its recordings\n"
      "  list --source PATH [--json]       list the recordings of a local source: a disk or\n"
      "                                    card image, an export folder or a folder of\n"
      "                                    stream files\n"
      "  summary FILE...                   describe stream files\n"
      "  extract FILE VIDEO AUDIO          write the H.264 and voice payloads of a stream file\n"
      "  mkdisk OUT [OPTIONS]              build a recorder-disk image from stream files\n"
      "  play NAME... [OPTIONS]            play up to 8 recordings together, headless, and\n"
      "                                    report their pacing (see 'brisca play'); with\n"
      "                                    --source PATH names listed from a local source\n"
      "  convert NAME --from HH:MM:SS --to HH:MM:SS -o OUT.avi [--disk IMAGE]\n"
      "                                    convert a range of a recording to an AVI file\n"
      "  export NAME... -o FOLDER [--folder DIR] [--overwrite]\n"
      "                                    copy recordings of the SD card into a folder\n",
      stderr);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    PrintUsage();
    return 2;
  }
  // A write past the file size limit fails with EFBIG, handled like a full
  // disk, instead of killing the tool with its output half-written.
  std::signal(SIGXFSZ, SIG_IGN);
  // What the library leaves out of a damaged medium is told on stderr too.
  setenv("BRISCA_REPORT_DAMAGE", "1", 0);
  const char* command = argv[1];
  if (std::strcmp(command, "sample") == 0) {
    if (argc > 2 && std::strcmp(argv[2], "disk") == 0)
      return brisca::tools::RunSampleDiskCommand(argc - 2, argv + 2);
    if (argc > 2 && std::strcmp(argv[2], "device") == 0)
      return brisca::tools::RunSampleDeviceCommand(argc - 2, argv + 2);
    if (argc > 2 && std::strcmp(argv[2], "card") == 0)
      return brisca::tools::RunSampleCardCommand(argc - 2, argv + 2);
    return brisca::tools::RunSampleCommand(argc - 2, argv + 2);
  }
  if (std::strcmp(command, "frames") == 0)
    return brisca::tools::RunFramesCommand(argc - 2, argv + 2);
  if (std::strcmp(command, "summary") == 0)
    return brisca::tools::RunSummaryCommand(argc - 2, argv + 2);
  if (std::strcmp(command, "list") == 0)
    return brisca::tools::RunListCommand(argc - 2, argv + 2);
  if (std::strcmp(command, "extract") == 0)
    return brisca::tools::RunExtractCommand(argc - 2, argv + 2);
  if (std::strcmp(command, "play") == 0)
    return brisca::tools::RunPlayCommand(argc - 2, argv + 2);
  if (std::strcmp(command, "convert") == 0)
    return brisca::tools::RunConvertCommand(argc - 2, argv + 2);
  if (std::strcmp(command, "export") == 0)
    return brisca::tools::RunExportCommand(argc - 2, argv + 2);
  if (std::strcmp(command, "mkdisk") == 0)
    return brisca::tools::RunMkdiskCommand(argc - 2, argv + 2);
  if (std::strcmp(command, "info") == 0)
    return brisca::tools::RunDeviceInfoCommand(argc - 2, argv + 2);
  if (std::strcmp(command, "telemetry") == 0)
    return brisca::tools::RunTelemetryCommand(argc - 2, argv + 2);
  PrintUsage();
  return 2;
}
