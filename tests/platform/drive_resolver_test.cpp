#include "platform/talvo_file_system/drive_resolver.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/platform/disk_test_support.h"

namespace tvfs::testing {
namespace {

TEST(DriveResolverTest, KnowsDriveNamesCToN) {
  EXPECT_EQ(DriveIndex("C:"), 0);
  EXPECT_EQ(DriveIndex("n:"), 11);
  EXPECT_EQ(DriveIndex("O:"), std::nullopt);
  EXPECT_EQ(DriveIndex("B:"), std::nullopt);
  EXPECT_EQ(DriveIndex("C"), std::nullopt);
  EXPECT_EQ(DriveIndex("/dev/sda"), std::nullopt);
}

TEST(DriveResolverTest, VariableEntriesCountFromC) {
  DriveTable table;
  table.drives_variable = "/img/c.img::/img/e.img";
  EXPECT_EQ(ResolveDrive("C:", table), "/img/c.img");
  EXPECT_EQ(ResolveDrive("D:", table), "");
  EXPECT_EQ(ResolveDrive("E:", table), "/img/e.img");
  EXPECT_EQ(ResolveDrive("F:", table), "");
  EXPECT_EQ(ResolveDrive("/some/image", table), "/some/image");
}

TEST(DriveResolverTest, WholeDisksInNameOrderWithoutVirtualDevices) {
  TempFolder folder;
  const std::filesystem::path block = folder.File("block");
  for (const char* name : {"sdb", "loop0", "nvme0n1", "sda", "ram0", "zram0", "mmcblk0"}) {
    std::filesystem::create_directories(block / name);
  }
  DriveTable table;
  table.block_folder = block.string();
  table.device_folder = "/dev";
  EXPECT_EQ(ResolveDrive("C:", table), "/dev/mmcblk0");
  EXPECT_EQ(ResolveDrive("D:", table), "/dev/nvme0n1");
  EXPECT_EQ(ResolveDrive("E:", table), "/dev/sda");
  EXPECT_EQ(ResolveDrive("F:", table), "/dev/sdb");
  EXPECT_EQ(ResolveDrive("G:", table), "");
}

TEST(DriveResolverTest, MissingBlockFolderGivesNoDrive) {
  DriveTable table;
  table.block_folder = "/nonexistent/block";
  EXPECT_EQ(ResolveDrive("C:", table), "");
}

}  // namespace
}  // namespace tvfs::testing
