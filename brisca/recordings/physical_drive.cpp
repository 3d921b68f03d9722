#include "brisca/recordings/physical_drive.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>
#include <vector>

namespace brisca {
namespace {

// Devices that never hold a card: RAM disks, loop and compressed-swap
// devices. Leaving them out keeps the numbers of real drives stable.
bool IsVirtualBlockDevice(std::string_view name) {
  return name.starts_with("loop") || name.starts_with("ram") || name.starts_with("zram");
}

std::string NthPathOfList(std::string_view list, int index) {
  for (int i = 0; i < index; ++i) {
    const size_t colon = list.find(':');
    if (colon == std::string_view::npos) return {};
    list.remove_prefix(colon + 1);
  }
  return std::string(list.substr(0, list.find(':')));
}

std::string NthWholeDisk(const PhysicalDriveTable& table, int index) {
  std::vector<std::string> names;
  std::error_code error;
  for (std::filesystem::directory_iterator it(table.block_folder, error), end;
       !error && it != end; it.increment(error)) {
    std::string name = it->path().filename().string();
    if (!IsVirtualBlockDevice(name)) names.push_back(std::move(name));
  }
  if (static_cast<size_t>(index) >= names.size()) return {};
  std::sort(names.begin(), names.end());
  return table.device_folder + "/" + names[static_cast<size_t>(index)];
}

bool ReadsOne(const std::string& file) {
  std::ifstream in(file);
  int value = 0;
  return static_cast<bool>(in >> value) && value == 1;
}

}  // namespace

PhysicalDriveTable HostPhysicalDriveTable() {
  PhysicalDriveTable table;
  table.drives_variable = std::getenv("BRISCA_PHYSICAL_DRIVES");
  return table;
}

std::string PhysicalDrivePath(int drive, const PhysicalDriveTable& table) {
  if (drive < 0) return {};
  if (table.drives_variable) return NthPathOfList(table.drives_variable, drive);
  return NthWholeDisk(table, drive);
}

CPhysicalDrive::~CPhysicalDrive() { Close(); }

bool CPhysicalDrive::Open(int drive) {
  const std::string path = PhysicalDrivePath(drive, HostPhysicalDriveTable());
  if (path.empty()) {
    Close();
    return false;
  }
  return OpenPath(path);
}

bool CPhysicalDrive::OpenPath(const std::string& path) {
  Close();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  fd_ = fd;
  path_ = path;
  return true;
}

void CPhysicalDrive::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  path_.clear();
}

bool CPhysicalDrive::ReadAt(uint64_t offset, void* buffer, size_t count) {
  if (fd_ < 0) return false;
  auto* out = static_cast<uint8_t*>(buffer);
  while (count > 0) {
    if (offset > static_cast<uint64_t>(INT64_MAX)) return false;
    const ssize_t got = ::pread(fd_, out, count, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    out += got;
    count -= static_cast<size_t>(got);
    offset += static_cast<uint64_t>(got);
  }
  return true;
}

bool CPhysicalDrive::IsRemovable() const {
  struct stat info {};
  if (fd_ < 0 || ::fstat(fd_, &info) != 0 || !S_ISBLK(info.st_mode)) return false;
  // A partition's entry has no flag of its own; its disk is the parent.
  const std::string entry = "/sys/dev/block/" + std::to_string(major(info.st_rdev)) + ":" +
                            std::to_string(minor(info.st_rdev));
  std::error_code error;
  if (std::filesystem::exists(entry + "/removable", error)) return ReadsOne(entry + "/removable");
  return ReadsOne(entry + "/../removable");
}

}  // namespace brisca
