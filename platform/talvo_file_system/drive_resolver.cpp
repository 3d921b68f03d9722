#include "platform/talvo_file_system/drive_resolver.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

namespace tvfs {
namespace {

constexpr int kDriveCount = 12;

// RAM disks, loop and compressed-swap devices are never recorder media;
// leaving them out keeps the drive letters of real disks stable when those
// come and go.
bool IsVirtualDevice(std::string_view name) {
  for (std::string_view prefix : {"loop", "ram", "zram"}) {
    if (name.substr(0, prefix.size()) == prefix) return true;
  }
  return false;
}

std::string EntryOfVariable(std::string_view variable, int index) {
  for (int i = 0; i < index; ++i) {
    const size_t colon = variable.find(':');
    if (colon == std::string_view::npos) return {};
    variable.remove_prefix(colon + 1);
  }
  return std::string(variable.substr(0, variable.find(':')));
}

std::string BlockDevice(const DriveTable& table, int index) {
  std::vector<std::string> names;
  std::error_code error;
  for (std::filesystem::directory_iterator it(table.block_folder, error), end;
       !error && it != end; it.increment(error)) {
    std::string name = it->path().filename().string();
    if (!IsVirtualDevice(name)) names.push_back(std::move(name));
  }
  if (static_cast<size_t>(index) >= names.size()) return {};
  std::sort(names.begin(), names.end());
  return table.device_folder + "/" + names[static_cast<size_t>(index)];
}

}  // namespace

DriveTable HostDriveTable() {
  DriveTable table;
  table.drives_variable = std::getenv("BRISCA_DRIVES");
  return table;
}

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
  if (table.drives_variable) return EntryOfVariable(table.drives_variable, *index);
  return BlockDevice(table, *index);
}

}  // namespace tvfs
