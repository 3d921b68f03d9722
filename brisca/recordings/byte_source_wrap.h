// The one place where readers' byte sources are made: every reader hands
// each source it creates through WrapByteSource before opening it. Tests
// install a wrapper that puts a fault-injecting source around it (failing
// reads, short reads, a size that lies); production code installs none.
#pragma once

#include <functional>
#include <memory>

#include "brisca/recordings/base_file.h"

namespace brisca {

using ByteSourceWrapper = std::function<std::unique_ptr<CBaseFile>(std::unique_ptr<CBaseFile>)>;

// The source itself, or what the installed wrapper made of it.
std::unique_ptr<CBaseFile> WrapByteSource(std::unique_ptr<CBaseFile> source);

// Installs `wrapper` for every source made from now on; an empty function
// removes it. Process-wide.
void SetByteSourceWrapper(ByteSourceWrapper wrapper);

}  // namespace brisca
