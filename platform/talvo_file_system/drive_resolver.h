// Drive names "C:" to "N:" and the paths they stand for on this host.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tvfs {

// What drive names resolve through; passed in so tests can supply their own.
struct DriveTable {
  // The BRISCA_DRIVES value: ':'-separated paths, the first one for "C:".
  // Null when the variable is not set; then the block devices count.
  const char* drives_variable = nullptr;
  // Folder listing the machine's whole-disk block devices.
  std::string block_folder = "/sys/block";
  // Folder holding the device nodes.
  std::string device_folder = "/dev";
};

// The table of the running process (BRISCA_DRIVES from the environment).
DriveTable HostDriveTable();

// The drive index 0 ("C:") to 11 ("N:") of `name`, either letter case, or
// nothing when `name` is not a drive name.
std::optional<int> DriveIndex(std::string_view name);

// The path behind `name`: a drive name goes through the table (an empty
// result when that drive does not exist); any other name is a path already.
std::string ResolveDrive(std::string_view name, const DriveTable& table);

}  // namespace tvfs
