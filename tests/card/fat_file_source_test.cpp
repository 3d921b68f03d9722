// CSdFile as a byte source over the card volume, and the physical drives
// behind the volume.
#include "brisca/card/fat_file_source.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "brisca/base/diag_log.h"
#include "brisca/card/physical_drive.h"
#include "tests/card/fat_image_support.h"

namespace brisca {
namespace {

using testing::Bytes;

class SdFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FatResetState();
    image_ = folder_.File("card.img");
    testing::MakeFat(image_, "-F 12 -s 2", 6000);
    content_ = testing::Pattern(30000, 5);
    testing::CopyIn(image_, "/index00.bin", content_);
    ::setenv("BRISCA_PHYSICAL_DRIVES", image_.c_str(), 1);
    FatSetDrive(0);
    FatSetPartitionStarts({0, 0, 0, 0});
    ASSERT_EQ(FatMount("C:"), FatResult::kOk);
  }
  void TearDown() override {
    FatResetState();
    ::unsetenv("BRISCA_PHYSICAL_DRIVES");
  }

  testing::FatTempFolder folder_;
  std::string image_;
  Bytes content_;
};

TEST_F(SdFileTest, ReadsSeeksAndTellsLikeAByteSource) {
  CSdFile file;
  ASSERT_EQ(file.OpenFile("C:\\index00.bin", 1), 0);
  EXPECT_EQ(file.Size(), 30000u);
  Bytes buffer(20000);
  EXPECT_EQ(file.Read(buffer.data(), 20000), 20000);
  EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), content_.begin()));
  EXPECT_EQ(file.Tell(), 20000u);
  // The origin is ignored: every offset is from the start.
  EXPECT_EQ(file.Seek(100, SeekOrigin::kEnd), 0);
  EXPECT_EQ(file.Tell(), 100u);
  EXPECT_EQ(file.Seek(29990, SeekOrigin::kCurrent), 0);
  EXPECT_EQ(file.Read(buffer.data(), 20000), 10);
  EXPECT_EQ(file.Read(buffer.data(), 20000), 0);
  EXPECT_EQ(file.ReadSome(buffer.data(), 1), 0);
  EXPECT_EQ(file.Seek(50000, SeekOrigin::kStart), 0);
  EXPECT_EQ(file.Tell(), 30000u);
  EXPECT_EQ(file.Seek(-1, SeekOrigin::kStart), -1);
  EXPECT_EQ(file.Write(buffer.data(), 1), -1);
  EXPECT_EQ(file.Close(), 0);
  EXPECT_EQ(file.Read(buffer.data(), 1), -1);
  EXPECT_EQ(file.last_result(), FatResult::kInvalidObject);
}

TEST_F(SdFileTest, AFailedOpenIsLoggedWithItsCode) {
  const std::filesystem::path root = folder_.File("logroot");
  ProcessLog().SetRoot(root);
  ProcessLog().SetClock([] {
    std::tm when{};
    when.tm_year = 126;
    when.tm_mon = 2;
    when.tm_mday = 8;
    return when;
  });
  CSdFile file;
  EXPECT_EQ(file.OpenFile("C:\\a?", 1), -1);
  EXPECT_EQ(file.last_result(), FatResult::kInvalidName);
  EXPECT_EQ(file.OpenFile("C:\\", 1), -1);
  ProcessLog().SetClock(nullptr);
  std::ifstream in(root / "log" / "20260308" / "log.txt", std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(),
            "03/08/26 00:00:00 CSdFile::OpenFile:1 6 C:\\a? \r\n"
            "03/08/26 00:00:00 CSdFile::OpenFile:1 4 C:\\ \r\n");
}

TEST(PhysicalDriveTest, NumbersResolveThroughTheVariable) {
  PhysicalDriveTable table;
  table.drives_variable = "/a.img:/b.img::/d.img";
  EXPECT_EQ(PhysicalDrivePath(0, table), "/a.img");
  EXPECT_EQ(PhysicalDrivePath(1, table), "/b.img");
  EXPECT_EQ(PhysicalDrivePath(2, table), "");
  EXPECT_EQ(PhysicalDrivePath(3, table), "/d.img");
  EXPECT_EQ(PhysicalDrivePath(4, table), "");
  EXPECT_EQ(PhysicalDrivePath(-1, table), "");
}

TEST(PhysicalDriveTest, WithoutTheVariableWholeDisksCountInNameOrder) {
  testing::FatTempFolder folder;
  const std::filesystem::path block = folder.File("block");
  for (const char* name : {"sdb", "loop0", "nvme0n1", "sda", "zram0", "ram1"}) {
    std::filesystem::create_directories(block / name);
  }
  PhysicalDriveTable table;
  table.block_folder = block.string();
  table.device_folder = "/dev";
  EXPECT_EQ(PhysicalDrivePath(0, table), "/dev/nvme0n1");
  EXPECT_EQ(PhysicalDrivePath(1, table), "/dev/sda");
  EXPECT_EQ(PhysicalDrivePath(2, table), "/dev/sdb");
  EXPECT_EQ(PhysicalDrivePath(3, table), "");
}

TEST(PhysicalDriveTest, ReadsExactlyWhatIsThereAndNeverWrites) {
  testing::FatTempFolder folder;
  const std::string path = folder.File("drive.img");
  testing::WriteWhole(path, testing::Pattern(10000, 1));
  std::filesystem::permissions(path, std::filesystem::perms::owner_read);
  ::setenv("BRISCA_PHYSICAL_DRIVES", ("/nonexistent:" + path).c_str(), 1);
  CPhysicalDrive drive;
  EXPECT_FALSE(drive.Open(0));
  ASSERT_TRUE(drive.Open(1));
  ::unsetenv("BRISCA_PHYSICAL_DRIVES");
  EXPECT_EQ(drive.path(), path);
  Bytes buffer(512);
  ASSERT_TRUE(drive.ReadAt(9000, buffer.data(), 512));
  EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), testing::Pattern(10000, 1).begin() + 9000));
  EXPECT_FALSE(drive.ReadAt(9800, buffer.data(), 512));
  EXPECT_FALSE(drive.ReadAt(uint64_t{1} << 63, buffer.data(), 512));
  EXPECT_FALSE(drive.IsRemovable());
  drive.Close();
  EXPECT_FALSE(drive.ReadAt(0, buffer.data(), 1));
}

TEST(PhysicalDriveTest, OnlyImageFilesAndBlockDevicesOpen) {
  testing::FatTempFolder folder;
  const std::string image = folder.File("drive.img");
  testing::WriteWhole(image, testing::Pattern(4096, 2));
  const std::string fifo = folder.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const struct {
    std::string path;
    bool opens;
  } cases[] = {
      {image, true},
      {fifo, false},  // opening it blocking would wait for a writer
      {folder.File(""), false},
      {"/dev/null", false},
      {folder.File("missing.img"), false},
  };
  for (const auto& c : cases) {
    CPhysicalDrive drive;
    EXPECT_EQ(drive.OpenPath(c.path), c.opens) << c.path;
    EXPECT_EQ(drive.IsOpen(), c.opens) << c.path;
  }
  // The card search passes over the FIFO to the card image behind it.
  ::setenv("BRISCA_PHYSICAL_DRIVES", (fifo + ":" + image).c_str(), 1);
  CPhysicalDrive drive;
  EXPECT_FALSE(drive.Open(0));
  EXPECT_TRUE(drive.Open(1));
  ::unsetenv("BRISCA_PHYSICAL_DRIVES");
}

TEST(PhysicalDriveTest, InjectedReadFaultsFailTheNthRead) {
  testing::FatTempFolder folder;
  const std::string image = folder.File("drive.img");
  testing::WriteWhole(image, testing::Pattern(4096, 3));
  CPhysicalDrive drive;
  ASSERT_TRUE(drive.OpenPath(image));
  Bytes buffer(512);
  auto reads = [&] {
    std::string got;
    for (int i = 0; i < 4; ++i) got += drive.ReadAt(512 * i, buffer.data(), buffer.size()) ? 'y' : 'n';
    return got;
  };
  InjectDriveReadFault(2, false);
  EXPECT_EQ(reads(), "ynyy");
  InjectDriveReadFault(3, true);
  EXPECT_EQ(reads(), "yynn");
  EXPECT_EQ(DriveReadCallCount(), 4);
  InjectDriveReadFault(0, false);
  EXPECT_EQ(reads(), "yyyy");
}

}  // namespace
}  // namespace brisca
