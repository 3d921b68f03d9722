// `brisca sample device`: a generated device recording file.
#pragma once

namespace brisca::tools {

// Runs `sample device OUT [OPTIONS]`; argv[0] is "device". Returns 0, 1
// when generating or writing failed, 2 for bad usage.
int RunSampleDeviceCommand(int argc, char** argv);

}  // namespace brisca::tools
