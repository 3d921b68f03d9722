// Drive paths name media only: regular files and block devices open, every
// other kind of file is refused at once, without blocking, also when it is
// reached through a drive name.
#include "platform/host_drives/drive_open.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/talvo_file_system/talvo_file_system.h"
#include "tests/platform/disk_test_support.h"

namespace tvfs::testing {
namespace {

int MountName(const std::string& drive) {
  const int handle = Tvfs_windows_CreateTvfs();
  std::string name = drive;
  char* names[10] = {};
  names[0] = name.data();
  const int result = Tvfs_windows_mount(handle, 0, 1, names);
  Tvfs_windows_DeleteTvfs(handle);
  return result;
}

TEST(DriveOpenTest, OnlyFilesAndBlockDevicesAreMedia) {
  TempFolder folder;
  const std::string image = BuildImage(folder, "disk.img", 1,
                                       {{0, 0, MakeStream(At(2026, 5, 1, 10, 0, 0), 2)}});
  // A FIFO without a writer: a blocking open would wait for one for good.
  const std::string fifo = folder.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string socket_path = folder.File("socket");
  const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(socket_path.size(), sizeof address.sun_path);
  socket_path.copy(address.sun_path, socket_path.size());
  ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);

  struct Case {
    std::string path;
    host::DriveOpen open;
    int mount;
  };
  const Case cases[] = {
      {image, host::DriveOpen::kOk, 0},
      {fifo, host::DriveOpen::kNotAMedium, TVFS_E_OPEN},
      {socket_path, host::DriveOpen::kCannotOpen, TVFS_E_OPEN},
      {folder.File(""), host::DriveOpen::kNotAMedium, TVFS_E_OPEN},
      {"/dev/null", host::DriveOpen::kNotAMedium, TVFS_E_OPEN},
      {folder.File("missing"), host::DriveOpen::kCannotOpen, TVFS_E_OPEN},
      {"", host::DriveOpen::kCannotOpen, TVFS_E_OPEN},
  };
  for (const Case& c : cases) {
    host::OpenedDrive drive;
    EXPECT_EQ(host::OpenDriveReadOnly(c.path, drive), c.open) << c.path;
    if (c.open == host::DriveOpen::kOk) {
      // Reads are ordinary blocking reads of a read-only descriptor.
      const int flags = ::fcntl(drive.fd, F_GETFL);
      EXPECT_EQ(flags & O_NONBLOCK, 0);
      EXPECT_EQ(flags & O_ACCMODE, O_RDONLY);
      EXPECT_NE(::fcntl(drive.fd, F_GETFD) & FD_CLOEXEC, 0);
      EXPECT_EQ(drive.size, ReadFile(c.path).size());
      ::close(drive.fd);
    } else {
      EXPECT_EQ(drive.fd, -1) << c.path;
    }
    if (c.path.empty()) continue;
    EXPECT_EQ(MountName(c.path), c.mount) << c.path;
    // The same path as drive "D:".
    ASSERT_EQ(::setenv("BRISCA_DRIVES", (":" + c.path).c_str(), 1), 0);
    EXPECT_EQ(MountName("D:"), c.mount) << c.path;
    ::unsetenv("BRISCA_DRIVES");
  }
  ::close(listener);
}

}  // namespace
}  // namespace tvfs::testing
