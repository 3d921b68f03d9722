// Where an export or a conversion may write: never into what it reads. A
// destination that is its source, lies inside it or holds it would have
// the writer truncate, replace or delete the very bytes it copies.
#pragma once

#include <string>

namespace brisca {

// True when `destination` is `source`, lies inside it or contains it.
// Symbolic links, "." and ".." are resolved first, and a path that does not
// exist yet is compared through the part of it that does. Two names of one
// file (a hard link, a bind mount) count as the same path, and so does a
// block device `source` and a destination on a file system of that device.
bool DestinationOverlapsSource(const std::string& destination, const std::string& source);

}  // namespace brisca
