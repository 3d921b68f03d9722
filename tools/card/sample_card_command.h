// `brisca sample card`: a generated demo SD card, as an image or a folder.
#pragma once

namespace brisca::tools {

// Runs `sample card OUT [OPTIONS]`; argv[0] is "card". Returns 0, 1 when
// generating or writing failed, 2 for bad usage.
int RunSampleCardCommand(int argc, char** argv);

}  // namespace brisca::tools
