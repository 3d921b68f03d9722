// Why a drive could not be opened: a raw device of a user outside the disk
// group exists but refuses reading, which the user can mend, unlike a drive
// that is not there.
#pragma once

#include <string>

namespace tvfs {

// Whether `path` exists but this process may not open it for reading
// (EACCES or EPERM). The path is opened read-only without blocking and
// closed again at once.
bool ReadPermissionDenied(const std::string& path);

}  // namespace tvfs
