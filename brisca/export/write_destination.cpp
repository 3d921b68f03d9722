#include "brisca/export/write_destination.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace brisca {
namespace {

namespace fs = std::filesystem;

// The absolute path with links resolved as far as it exists, without a
// trailing separator.
fs::path Resolved(const std::string& path) {
  std::error_code error;
  fs::path absolute = fs::absolute(path, error);
  if (error) absolute = path;
  fs::path resolved = fs::weakly_canonical(absolute, error);
  if (error) resolved = absolute;
  resolved = resolved.lexically_normal();
  if (!resolved.has_filename() && resolved != resolved.root_path())
    resolved = resolved.parent_path();
  return resolved;
}

// `inner` is `outer` or lies inside it, compared component by component.
bool Within(const fs::path& inner, const fs::path& outer) {
  return std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end()).first == outer.end();
}

// Some existing folder on `inner`'s path (itself included) is the same file
// as `outer`.
bool SameFileOnPath(const fs::path& inner, const fs::path& outer) {
  struct stat target {};
  if (::stat(outer.c_str(), &target) != 0) return false;
  for (fs::path at = inner;; at = at.parent_path()) {
    struct stat status {};
    if (::stat(at.c_str(), &status) == 0 && status.st_dev == target.st_dev &&
        status.st_ino == target.st_ino)
      return true;
    if (at == at.parent_path() || at.empty()) return false;
  }
}

// `source` is a block device and the nearest existing folder of
// `destination` lies on a file system of it.
bool OnDevice(const fs::path& destination, const fs::path& source) {
  struct stat device {};
  if (::stat(source.c_str(), &device) != 0 || !S_ISBLK(device.st_mode)) return false;
  for (fs::path at = destination;; at = at.parent_path()) {
    struct stat status {};
    if (::stat(at.c_str(), &status) == 0) return status.st_dev == device.st_rdev;
    if (at == at.parent_path() || at.empty()) return false;
  }
}

}  // namespace

bool DestinationOverlapsSource(const std::string& destination, const std::string& source) {
  if (destination.empty() || source.empty()) return false;
  const fs::path to = Resolved(destination);
  const fs::path from = Resolved(source);
  return Within(to, from) || Within(from, to) || SameFileOnPath(to, from) ||
         SameFileOnPath(from, to) || OnDevice(to, from);
}

}  // namespace brisca
