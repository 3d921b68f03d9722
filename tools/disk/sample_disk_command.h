// `brisca sample disk`: a generated demo recorder disk.
#pragma once

namespace brisca::tools {

// Runs `sample disk OUT [--disk-number N] [--seed N] [--date YYYY-MM-DD]
// [--recordings N]`; argv[0] is "disk". Writes four channels of short
// recordings on the date and the day before, with every cause bit (0x08
// manual, 0x10 overspeed, 0x20 emergency, 0x40 DMS), some recordings with
// two, and one recording that runs past midnight; or, with --recordings,
// that many tiny recordings on consecutive dates ending with the date. The
// same options write the same image. Returns 0, 1 when generating or
// writing failed, 2 for bad usage.
int RunSampleDiskCommand(int argc, char** argv);

}  // namespace brisca::tools
