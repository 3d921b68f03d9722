// `brisca sample disk`: a generated demo recorder disk.
#pragma once

namespace brisca::tools {

// Runs `sample disk OUT [--disk-number N] [--seed N]`; argv[0] is "disk".
// Writes four channels of short recordings on two dates, all four demo
// record types (0 manual, 1 emergency alarm, 2 overspeed alarm, 3 DMS
// alarm) and one recording that runs past midnight. Returns 0, 1 when
// generating or writing failed, 2 for bad usage.
int RunSampleDiskCommand(int argc, char** argv);

}  // namespace brisca::tools
