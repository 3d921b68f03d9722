#include "platform/host_drives/drive_table.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

namespace host {
namespace {

// RAM disks, loop and compressed-swap devices never hold recorder media;
// leaving them out keeps the numbers of real drives stable when those come
// and go.
bool IsVirtualDevice(std::string_view name) {
  return name.starts_with("loop") || name.starts_with("ram") || name.starts_with("zram");
}

std::string EntryOfList(std::string_view list, int index) {
  for (int i = 0; i < index; ++i) {
    const size_t colon = list.find(':');
    if (colon == std::string_view::npos) return {};
    list.remove_prefix(colon + 1);
  }
  return std::string(list.substr(0, list.find(':')));
}

std::string WholeDisk(const DriveTable& table, int index) {
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

DriveTable DriveTableFromEnvironment(const char* variable) {
  DriveTable table;
  table.drives_variable = std::getenv(variable);
  return table;
}

std::string DrivePath(int index, const DriveTable& table) {
  if (index < 0) return {};
  if (table.drives_variable) return EntryOfList(table.drives_variable, index);
  return WholeDisk(table, index);
}

}  // namespace host
