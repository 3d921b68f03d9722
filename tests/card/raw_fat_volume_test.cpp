// The raw FAT volume reader against volumes made by mkfs.fat and filled by
// mtools: every file must read as mtype prints it, and damaged volumes must
// fail with their result codes instead of reading out of bounds or hanging.
#include "brisca/card/raw_fat_volume.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "tests/card/fat_image_support.h"

namespace brisca {
namespace {

using testing::Bytes;
using testing::FatTempFolder;

class FatVolumeTest : public ::testing::Test {
 protected:
  void SetUp() override { FatResetState(); }
  void TearDown() override {
    FatResetState();
    ::unsetenv("BRISCA_PHYSICAL_DRIVES");
  }

  // Makes `image` physical drive 0 and registers the volume on "C:".
  static void UseImage(const std::string& image, std::array<uint32_t, 4> starts = {}) {
    ::setenv("BRISCA_PHYSICAL_DRIVES", image.c_str(), 1);
    FatSetDrive(0);
    FatSetPartitionStarts(starts);
    ASSERT_EQ(FatMount("C:"), FatResult::kOk);
  }

  static FatResult OpenResult(const std::string& path) {
    FatFile file;
    const FatResult result = FatOpen(file, path.c_str(), kFatModeRead);
    FatClose(file);
    return result;
  }

  // The whole file read in `chunk`-byte reads; fails the test on an error.
  static Bytes ReadAll(const std::string& path, uint32_t chunk) {
    FatFile file;
    Bytes all;
    const FatResult opened = FatOpen(file, path.c_str(), kFatModeRead);
    EXPECT_EQ(opened, FatResult::kOk) << path;
    if (opened != FatResult::kOk) return all;
    Bytes buffer(chunk);
    for (;;) {
      uint32_t got = 0;
      const FatResult result = FatRead(file, buffer.data(), chunk, &got);
      EXPECT_EQ(result, FatResult::kOk) << path;
      all.insert(all.end(), buffer.begin(), buffer.begin() + got);
      if (result != FatResult::kOk || got < chunk) break;
    }
    EXPECT_EQ(all.size(), file.size());
    EXPECT_EQ(FatClose(file), FatResult::kOk);
    return all;
  }

  FatTempFolder folder_;
};

// ---- Volumes of each FAT type, filled by mcopy --------------------------

struct VolumeKind {
  const char* name;
  const char* options;
  uint64_t kib;
  FatType type;
};

class FatVolumeKindTest : public FatVolumeTest, public ::testing::WithParamInterface<VolumeKind> {};

TEST_P(FatVolumeKindTest, EveryFileReadsAsMtypePrintsIt) {
  const VolumeKind kind = GetParam();
  const std::string image = folder_.File("card.img");
  testing::MakeFat(image, kind.options, kind.kib);
  std::vector<std::pair<std::string, size_t>> files = {
      {"/index00.bin", 5000},
      {"/A long file name with spaces.dat", 70000},
      {"/中文名字很长的文件.bin", 9000},
      {"/Sub/Deeper/文件夹/嵌套.txt", 4096},
      {"/Sub/empty.txt", 0},
      {"/Sub/one.bin", 1},
      {"/frag1", 20000},
      {"/gap", 20000},
      {"/frag2", 20000},
  };
  testing::MakeFolder(image, "/Sub");
  testing::MakeFolder(image, "/Sub/Deeper");
  testing::MakeFolder(image, "/Sub/Deeper/文件夹");
  uint32_t seed = 1;
  for (const auto& [path, size] : files) testing::CopyIn(image, path, testing::Pattern(size, seed++));
  // A file written around the gap another leaves behind lies in pieces.
  testing::Delete(image, "/gap");
  files.erase(files.begin() + 7);
  testing::CopyIn(image, "/fragmented.bin", testing::Pattern(100000, seed++));
  files.emplace_back("/fragmented.bin", 100000);
  // A folder whose entries span several clusters.
  testing::MakeFolder(image, "/Many");
  std::string sources;
  for (int i = 0; i < 150; ++i) {
    const std::string host = folder_.File("member " + std::to_string(i) + " with a long name.txt");
    testing::WriteWhole(host, testing::Pattern(100 + static_cast<size_t>(i), seed + static_cast<uint32_t>(i)));
    sources.append(" ").append(testing::Quoted(host));
  }
  testing::RunTool("mcopy -i " + testing::Quoted(image) + sources + " ::/Many/");
  files.emplace_back("/Many/member 0 with a long name.txt", 100);
  files.emplace_back("/Many/member 149 with a long name.txt", 249);

  UseImage(image);
  for (const auto& [path, size] : files) {
    const Bytes expected = testing::Mtype(image, path);
    ASSERT_EQ(expected.size(), size) << path;
    std::string reader_path = std::string("C:").append(testing::ToCp936(path));
    for (char& c : reader_path) {
      if (c == '/') c = '\\';
    }
    EXPECT_EQ(ReadAll(reader_path, 777), expected) << path;
    EXPECT_EQ(ReadAll(reader_path, 65536), expected) << path;
  }
  const FatVolumeInfo info = FatMountedVolume();
  EXPECT_EQ(info.type, kind.type);
  EXPECT_EQ(info.volume, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, FatVolumeKindTest,
    ::testing::Values(VolumeKind{"Fat12", "-F 12 -s 1", 8000, FatType::kFat12},
                      VolumeKind{"Fat16", "-F 16 -s 1", 40000, FatType::kFat16},
                      VolumeKind{"Fat32", "-F 32 -s 1", 300000, FatType::kFat32},
                      VolumeKind{"Fat32BigClusters", "-F 32 -s 8", 2200000, FatType::kFat32}),
    [](const ::testing::TestParamInfo<VolumeKind>& info) { return std::string(info.param.name); });

// ---- Seeking and reading ------------------------------------------------

class FatReadTest : public FatVolumeTest {
 protected:
  void SetUp() override {
    FatVolumeTest::SetUp();
    image_ = folder_.File("card.img");
    testing::MakeFat(image_, "-F 32 -s 1", 300000);
    testing::CopyIn(image_, "/a", testing::Pattern(20000, 1));
    testing::CopyIn(image_, "/gap", testing::Pattern(8192, 2));
    testing::CopyIn(image_, "/b", testing::Pattern(20000, 3));
    testing::Delete(image_, "/gap");
    content_ = testing::Pattern(50000, 4);
    testing::CopyIn(image_, "/index00.bin", content_);
    UseImage(image_);
  }

  std::string image_;
  Bytes content_;
};

TEST_F(FatReadTest, ReadingPastTheEndGivesWhatIsLeft) {
  FatFile file;
  ASSERT_EQ(FatOpen(file, "C:\\index00.bin", kFatModeRead), FatResult::kOk);
  ASSERT_EQ(FatSeek(file, file.size() - 100), FatResult::kOk);
  Bytes buffer(10000);
  uint32_t got = 0;
  EXPECT_EQ(FatRead(file, buffer.data(), 10000, &got), FatResult::kOk);
  EXPECT_EQ(got, 100u);
  EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 100, content_.end() - 100));
  EXPECT_EQ(FatRead(file, buffer.data(), 10000, &got), FatResult::kOk);
  EXPECT_EQ(got, 0u);
}

TEST_F(FatReadTest, SeeksAnywhereInAFragmentedFileAndClampsToTheSize) {
  FatFile file;
  ASSERT_EQ(FatOpen(file, "C:\\index00.bin", kFatModeRead), FatResult::kOk);
  for (uint32_t offset : {45000u, 3u, 8191u, 8192u, 12289u, 0u, 49999u}) {
    ASSERT_EQ(FatSeek(file, offset), FatResult::kOk);
    EXPECT_EQ(file.position(), offset);
    Bytes buffer(6000);
    uint32_t got = 0;
    ASSERT_EQ(FatRead(file, buffer.data(), 6000, &got), FatResult::kOk);
    const uint32_t expected = std::min<uint32_t>(6000, 50000 - offset);
    ASSERT_EQ(got, expected);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + got, content_.begin() + offset)) << offset;
  }
  EXPECT_EQ(FatSeek(file, 1ull << 40), FatResult::kOk);
  EXPECT_EQ(file.position(), 50000u);
}

TEST_F(FatReadTest, LowerCaseVolumeAndUpperCaseNameFindTheFile) {
  EXPECT_EQ(OpenResult("c:\\INDEX00.BIN"), FatResult::kOk);
  EXPECT_EQ(OpenResult("C:/Index00.Bin"), FatResult::kOk);
  EXPECT_EQ(OpenResult("0:\\index00.bin"), FatResult::kOk);
  EXPECT_EQ(OpenResult("C:\\index00.bin  .."), FatResult::kOk);  // trailing spaces and dots drop
}

TEST_F(FatReadTest, PathsThatNameNoFileGiveTheirCodes) {
  EXPECT_EQ(OpenResult("C:\\"), FatResult::kNoFile);
  EXPECT_EQ(OpenResult("C:"), FatResult::kNoFile);
  EXPECT_EQ(OpenResult("C:\\missing.bin"), FatResult::kNoFile);
  EXPECT_EQ(OpenResult("C:\\missing\\index00.bin"), FatResult::kNoPath);
  EXPECT_EQ(OpenResult("C:\\index00.bin\\x"), FatResult::kNoPath);
  EXPECT_EQ(OpenResult("C:\\a?.bin"), FatResult::kInvalidName);
  EXPECT_EQ(OpenResult("C:\\a*"), FatResult::kInvalidName);
  EXPECT_EQ(OpenResult("C:\\\x81\x20"), FatResult::kInvalidName);  // lead byte without trail
  EXPECT_EQ(OpenResult("C:\\.."), FatResult::kInvalidName);
  EXPECT_EQ(OpenResult("M:\\index00.bin"), FatResult::kInvalidDrive);
  EXPECT_EQ(OpenResult("index00.bin"), FatResult::kInvalidDrive);
  EXPECT_EQ(OpenResult("D:\\index00.bin"), FatResult::kNotEnabled);
}

TEST_F(FatReadTest, AControlCharacterEndsThePath) {
  EXPECT_EQ(OpenResult(std::string("C:\\index00.bin\x01junk")), FatResult::kOk);
}

TEST_F(FatReadTest, AFileOpenedWithoutReadModeIsDenied) {
  FatFile file;
  ASSERT_EQ(FatOpen(file, "C:\\index00.bin", 0), FatResult::kOk);
  uint8_t byte;
  EXPECT_EQ(FatRead(file, &byte, 1, nullptr), FatResult::kDenied);
}

TEST_F(FatReadTest, ARemountInvalidatesOpenFiles) {
  FatFile file;
  ASSERT_EQ(FatOpen(file, "C:\\index00.bin", kFatModeRead), FatResult::kOk);
  const uint32_t first_id = FatMountedVolume().mount_id;
  ASSERT_EQ(FatMount("C:"), FatResult::kOk);
  uint8_t byte;
  EXPECT_EQ(FatRead(file, &byte, 1, nullptr), FatResult::kInvalidObject);
  EXPECT_EQ(FatSeek(file, 0), FatResult::kInvalidObject);
  // A new open reads the volume again under a new mount id; the old file
  // stays invalid.
  FatFile again;
  ASSERT_EQ(FatOpen(again, "C:\\index00.bin", kFatModeRead), FatResult::kOk);
  EXPECT_NE(FatMountedVolume().mount_id, first_id);
  EXPECT_EQ(FatRead(file, &byte, 1, nullptr), FatResult::kInvalidObject);
  EXPECT_EQ(FatRead(again, &byte, 1, nullptr), FatResult::kOk);
  EXPECT_EQ(FatClose(file), FatResult::kInvalidObject);
  EXPECT_EQ(FatUnmount("C:"), FatResult::kOk);
  EXPECT_EQ(FatRead(again, &byte, 1, nullptr), FatResult::kInvalidObject);
  EXPECT_EQ(OpenResult("C:\\index00.bin"), FatResult::kNotEnabled);
}

TEST_F(FatReadTest, MountingAnotherNameMovesTheOneVolume) {
  ASSERT_EQ(FatMount("d:"), FatResult::kOk);
  EXPECT_EQ(OpenResult("C:\\index00.bin"), FatResult::kNotEnabled);
  // "D:" is the second partition, whose start is 0 here: the same volume.
  EXPECT_EQ(OpenResult("D:\\index00.bin"), FatResult::kOk);
  EXPECT_EQ(FatMountedVolume().volume, 1);
  ASSERT_EQ(FatMount("G:"), FatResult::kOk);
  EXPECT_EQ(OpenResult("G:\\index00.bin"), FatResult::kNoFilesystem);
  EXPECT_EQ(FatMount("Q:"), FatResult::kInvalidDrive);
  EXPECT_EQ(FatUnmount("x"), FatResult::kInvalidDrive);
}

TEST_F(FatReadTest, DeviceReadErrorsStick) {
  FatFile file;
  ASSERT_EQ(FatOpen(file, "C:\\index00.bin", kFatModeRead), FatResult::kOk);
  const Bytes head = testing::ReadHead(image_, 4 << 20);  // all that was written
  const off_t size = static_cast<off_t>(std::filesystem::file_size(image_));
  // Cut the image before the file's data: its sectors cannot be read.
  ASSERT_EQ(::truncate(image_.c_str(), 65536), 0);
  Bytes buffer(100);
  uint32_t got = 7;
  EXPECT_EQ(FatRead(file, buffer.data(), 100, &got), FatResult::kDiskError);
  EXPECT_EQ(got, 0u);
  testing::WriteWhole(image_, head);
  ASSERT_EQ(::truncate(image_.c_str(), size), 0);
  EXPECT_EQ(FatRead(file, buffer.data(), 100, &got), FatResult::kDiskError);
  EXPECT_EQ(FatSeek(file, 0), FatResult::kDiskError);
  EXPECT_EQ(file.error(), FatResult::kDiskError);
  // A new open reads again.
  EXPECT_EQ(ReadAll("C:\\index00.bin", 4096), content_);
}

TEST_F(FatReadTest, AMissingDriveIsNotReadyUntilItCanBeOpened) {
  ::setenv("BRISCA_PHYSICAL_DRIVES", folder_.File("absent.img").c_str(), 1);
  EXPECT_EQ(OpenResult("C:\\index00.bin"), FatResult::kNotReady);
  ::setenv("BRISCA_PHYSICAL_DRIVES", (folder_.File("absent.img") + ":" + image_).c_str(), 1);
  FatSetDrive(1);
  EXPECT_EQ(OpenResult("C:\\index00.bin"), FatResult::kOk);
}

// ---- Volume checks -----------------------------------------------------

TEST_F(FatVolumeTest, A512ByteSectorVolumeIsRefused) {
  const std::string image = folder_.File("small.img");
  testing::MakeFat(image, "-S 512 -F 16", 20000);
  testing::CopyIn(image, "/index00.bin", testing::Pattern(10, 1));
  UseImage(image);
  EXPECT_EQ(OpenResult("C:\\index00.bin"), FatResult::kNoFilesystem);
}

TEST_F(FatVolumeTest, NoBootSignatureIsNoVolume) {
  const std::string image = folder_.File("blank.img");
  testing::WriteWhole(image, Bytes(65536));
  UseImage(image);
  EXPECT_EQ(OpenResult("C:\\index00.bin"), FatResult::kNoFilesystem);
  testing::WriteWhole(image, Bytes(100));
  EXPECT_EQ(OpenResult("C:\\index00.bin"), FatResult::kDiskError);
}

// Formats with mkfs.fat, then sets the total sector count so that the volume
// has exactly `clusters` clusters of one sector.
std::string ImageWithClusters(const FatTempFolder& folder, uint32_t clusters, const char* options,
                              uint64_t kib) {
  const std::string image = folder.File("boundary" + std::to_string(clusters) + ".img");
  testing::MakeFat(image, options, kib);
  // Written while mtools still sees the FAT type that mkfs.fat chose, which
  // it would not at exactly 4,085 clusters.
  testing::CopyIn(image, "/index00.bin", testing::Pattern(3 * 1024 * 1024, clusters));
  Bytes bytes = testing::ReadWhole(image);
  testing::FatGeometry g = testing::ReadGeometry(bytes);
  const uint32_t total = g.reserved + g.fats * g.fat_size + g.root_entries * 32 / g.sector + clusters;
  testing::Put16(bytes, 19, static_cast<uint16_t>(total));
  bytes.resize(uint64_t{total} * g.sector);
  g = testing::ReadGeometry(bytes);
  EXPECT_EQ(g.Clusters(), clusters);
  testing::WriteWhole(image, bytes);
  return image;
}

TEST_F(FatVolumeTest, ClusterCountDecidesBetweenFat12AndFat16) {
  struct Case { uint32_t clusters; const char* options; uint64_t kib; FatType type; };
  for (const Case& c : {Case{4085, "-F 12 -s 1 -R 1 -r 128 -f 2", 16000, FatType::kFat12},
                        Case{4086, "-F 16 -s 1 -R 1 -r 128 -f 2", 20480, FatType::kFat16}}) {
    const std::string image = ImageWithClusters(folder_, c.clusters, c.options, c.kib);
    UseImage(image);
    EXPECT_EQ(ReadAll("C:\\index00.bin", 65536), testing::Pattern(3 * 1024 * 1024, c.clusters));
    const FatVolumeInfo info = FatMountedVolume();
    EXPECT_EQ(info.type, c.type) << c.clusters;
    EXPECT_EQ(info.clusters, c.clusters);
  }
}

TEST_F(FatVolumeTest, AVolumeInsideAPartitionIsFoundThroughThePartitionStarts) {
  const std::string image = folder_.File("partitioned.img");
  // Partition 0 at 4096-byte sector 256 (512-byte sector 2048), partition 1
  // after it.
  testing::RunTool("truncate -s 600M " + testing::Quoted(image));
  testing::RunTool("mkfs.fat -S 4096 -F 32 -s 1 --offset 256 " + testing::Quoted(image) +
                   " 290000 >/dev/null 2>&1");
  testing::RunTool("mkfs.fat -S 4096 -F 32 -s 1 --offset 76800 " + testing::Quoted(image) +
                   " 290000 >/dev/null 2>&1");
  const Bytes first = testing::Pattern(30000, 1);
  const Bytes second = testing::Pattern(40000, 2);
  testing::WriteWhole(folder_.File("first"), first);
  testing::WriteWhole(folder_.File("second"), second);
  testing::RunTool("mcopy -i " + testing::Quoted(image + "@@1048576") + " " +
                   testing::Quoted(folder_.File("first")) + " ::/index00.bin");
  testing::RunTool("mcopy -i " + testing::Quoted(image + "@@314572800") + " " +
                   testing::Quoted(folder_.File("second")) + " ::/index00.bin");
  UseImage(image, {2048, 614400, 0, 0});
  EXPECT_EQ(ReadAll("C:\\index00.bin", 10000), first);
  ASSERT_EQ(FatMount("D:"), FatResult::kOk);
  EXPECT_EQ(ReadAll("D:\\index00.bin", 10000), second);
}

TEST_F(FatVolumeTest, APartitionTableInTheVolumeSectorLeadsToTheVolume) {
  const std::string image = folder_.File("table.img");
  testing::RunTool("truncate -s 300M " + testing::Quoted(image));
  testing::RunTool("mkfs.fat -S 4096 -F 32 -s 1 --offset 100 " + testing::Quoted(image) +
                   " 290000 >/dev/null 2>&1");
  const Bytes content = testing::Pattern(12345, 9);
  testing::WriteWhole(folder_.File("content"), content);
  testing::RunTool("mcopy -i " + testing::Quoted(image + "@@409600") + " " +
                   testing::Quoted(folder_.File("content")) + " ::/index00.bin");
  // A partition table whose second entry starts at logical sector 100.
  Bytes bytes = testing::ReadHead(image, 512);
  bytes[450 + 16] = 0x0C;
  testing::Put32(bytes, 454 + 16, 100);
  bytes[510] = 0x55;
  bytes[511] = 0xAA;
  testing::WriteHead(image, bytes);
  UseImage(image);
  EXPECT_EQ(ReadAll("C:\\index00.bin", 10000), content);
}

// ---- Names stored only as short names ------------------------------------

TEST_F(FatVolumeTest, ShortNamesInCodePage936AreFound) {
  const std::string image = folder_.File("short.img");
  testing::MakeFat(image, "-F 16 -s 1", 40000);
  testing::CopyIn(image, "/AB.TXT", testing::Pattern(100, 1));
  testing::CopyIn(image, "/CD.TXT", testing::Pattern(200, 2));
  Bytes bytes = testing::ReadWhole(image);
  const testing::FatGeometry g = testing::ReadGeometry(bytes);
  const uint64_t root = g.FatOffset() + uint64_t{g.fats} * g.fat_size * g.sector;
  // "中文.TXT" as a short name, and one whose first byte 0xE5 is stored 0x05.
  const size_t ab = testing::FindShortEntry(bytes, root, g.root_entries, "AB      TXT");
  const std::string chinese = testing::ToCp936("中文");
  std::copy(chinese.begin(), chinese.end(), bytes.begin() + static_cast<ptrdiff_t>(ab));
  const size_t cd = testing::FindShortEntry(bytes, root, g.root_entries, "CD      TXT");
  const std::string e5 = testing::ToCp936("濉");  // E5 A1 in code page 936
  ASSERT_EQ(static_cast<uint8_t>(e5[0]), 0xE5);
  bytes[cd] = 0x05;
  bytes[cd + 1] = static_cast<uint8_t>(e5[1]);
  testing::WriteWhole(image, bytes);
  UseImage(image);
  EXPECT_EQ(ReadAll(std::string("C:\\").append(chinese).append(".txt"), 1000),
            testing::Pattern(100, 1));
  EXPECT_EQ(ReadAll(std::string("C:\\").append(e5).append(".Txt"), 1000), testing::Pattern(200, 2));
}

// ---- Broken cluster chains -------------------------------------------------

class FatChainTest : public FatVolumeTest {
 protected:
  void SetUp() override {
    FatVolumeTest::SetUp();
    image_ = folder_.File("chain.img");
    testing::MakeFat(image_, "-F 32 -s 1", 300000);
    content_ = testing::Pattern(5 * 4096, 3);
    testing::CopyIn(image_, "/index00.bin", content_);
    bytes_ = testing::ReadHead(image_, 2 << 20);  // boot sector, FATs and root folder
    geometry_ = testing::ReadGeometry(bytes_);
    const uint64_t root = geometry_.DataOffset() + uint64_t{testing::Get32(bytes_, 44) - 2} * 4096;
    const size_t entry = testing::FindShortEntry(bytes_, root, 128, "INDEX00 BIN");
    start_ = testing::Get16(bytes_, entry + 26) | uint32_t{testing::Get16(bytes_, entry + 20)} << 16;
  }

  // Points the FAT entry of `cluster` at `next`.
  void Link(uint32_t cluster, uint32_t next) {
    testing::Put32(bytes_, static_cast<size_t>(geometry_.FatOffset()) + 4 * cluster, next);
    testing::WriteHead(image_, bytes_);
  }

  // Reads the file in 4096-byte steps: the bytes delivered and the result.
  std::pair<Bytes, FatResult> ReadUntilError() {
    UseImage(image_);
    FatFile file;
    EXPECT_EQ(FatOpen(file, "C:\\index00.bin", kFatModeRead), FatResult::kOk);
    Bytes all;
    Bytes buffer(4096);
    for (;;) {
      uint32_t got = 0;
      const FatResult result = FatRead(file, buffer.data(), 4096, &got);
      all.insert(all.end(), buffer.begin(), buffer.begin() + got);
      if (result != FatResult::kOk) {
        EXPECT_EQ(FatRead(file, buffer.data(), 1, &got), result);  // sticks
        EXPECT_EQ(FatSeek(file, 0), result);
        return {all, result};
      }
      if (got == 0) return {all, result};
    }
  }

  std::string image_;
  Bytes content_;
  Bytes bytes_;
  testing::FatGeometry geometry_;
  uint32_t start_ = 0;
};

TEST_F(FatChainTest, AnIntactChainReadsWhole) {
  const auto [read, result] = ReadUntilError();
  EXPECT_EQ(result, FatResult::kOk);
  EXPECT_EQ(read, content_);
}

TEST_F(FatChainTest, AChainThatLoopsBackStopsWhereItWouldRepeat) {
  Link(start_ + 2, start_ + 1);  // the fourth cluster would be the second again
  const auto [read, result] = ReadUntilError();
  EXPECT_EQ(result, FatResult::kInternalError);
  EXPECT_EQ(read, Bytes(content_.begin(), content_.begin() + 3 * 4096));
}

TEST_F(FatChainTest, AChainThatPointsOutsideTheVolumeFails) {
  Link(start_ + 1, 0x0FFFFF00);
  const auto [read, result] = ReadUntilError();
  EXPECT_EQ(result, FatResult::kInternalError);
  EXPECT_EQ(read, Bytes(content_.begin(), content_.begin() + 2 * 4096));
}

TEST_F(FatChainTest, AChainThatEndsEarlyFails) {
  Link(start_ + 3, 0x0FFFFFFF);
  const auto [read, result] = ReadUntilError();
  EXPECT_EQ(result, FatResult::kInternalError);
  EXPECT_EQ(read.size(), 4u * 4096);
}

TEST_F(FatChainTest, AFolderWhoseChainLoopsFailsInsteadOfHanging) {
  // The root's only cluster, its unused entries marked deleted so that the
  // search goes on, leads back to itself.
  const uint32_t root = testing::Get32(bytes_, 44);
  const size_t root_offset = static_cast<size_t>(geometry_.DataOffset()) + (root - 2) * 4096;
  for (size_t entry = root_offset; entry < root_offset + 4096; entry += 32) {
    if (bytes_[entry] == 0) bytes_[entry] = 0xE5;
  }
  Link(root, root);
  UseImage(image_);
  EXPECT_EQ(OpenResult("C:\\index00.bin"), FatResult::kOk);  // found before the loop matters
  EXPECT_EQ(OpenResult("C:\\missing.bin"), FatResult::kInternalError);
}

TEST_F(FatChainTest, ARootClusterOutsideTheVolumeFails) {
  testing::Put32(bytes_, 44, 0x0FFFFFF0);
  testing::WriteHead(image_, bytes_);
  UseImage(image_);
  EXPECT_EQ(OpenResult("C:\\index00.bin"), FatResult::kInternalError);
}

}  // namespace
}  // namespace brisca
