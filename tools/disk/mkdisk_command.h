// `brisca mkdisk`: builds a recorder-disk image from recording streams.
#pragma once

namespace brisca::tools {

// Runs `mkdisk OUT [--disk-number N] --segment channel=C,type=T,file=STREAM
// ...` with the arguments after "mkdisk". Returns 0, 1 when reading a
// stream or writing the image failed, 2 for bad usage.
int RunMkdiskCommand(int argc, char** argv);

}  // namespace brisca::tools
