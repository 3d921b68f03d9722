#include "platform/talvo_file_system/drive_resolver.h"

namespace tvfs {
namespace {

constexpr int kDriveCount = 12;

}  // namespace

DriveTable HostDriveTable() { return host::DriveTableFromEnvironment("BRISCA_DRIVES"); }

std::optional<int> DriveIndex(std::string_view name) {
  if (name.size() != 2 || name[1] != ':') return std::nullopt;
  const char letter = name[0];
  int index = -1;
  if (letter >= 'C' && letter <= 'Z') index = letter - 'C';
  if (letter >= 'c' && letter <= 'z') index = letter - 'c';
  if (index < 0 || index >= kDriveCount) return std::nullopt;
  return index;
}

std::string ResolveDrive(std::string_view name, const DriveTable& table) {
  const std::optional<int> index = DriveIndex(name);
  if (!index) return std::string(name);
  return host::DrivePath(*index, table);
}

}  // namespace tvfs
