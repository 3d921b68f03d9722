// Drive names "C:" to "N:" and the paths they stand for on this host.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/host_drives/drive_table.h"

namespace tvfs {

// What drive names resolve through: drive 0 is "C:"; the variable is
// BRISCA_DRIVES.
using DriveTable = host::DriveTable;

// The table of the running process (BRISCA_DRIVES from the environment).
DriveTable HostDriveTable();

// The drive index 0 ("C:") to 11 ("N:") of `name`, either letter case, or
// nothing when `name` is not a drive name.
std::optional<int> DriveIndex(std::string_view name);

// The path behind `name`: a drive name goes through the table (an empty
// result when that drive does not exist); any other name is a path already.
std::string ResolveDrive(std::string_view name, const DriveTable& table);

}  // namespace tvfs
