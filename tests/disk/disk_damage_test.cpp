// A damaged recorder disk is not found by the disk search: the probe
// reports it absent and writes why to the diagnostic log.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "brisca/base/diag_log.h"
#include "brisca/disk/disk_manager.h"
#include "platform/talvo_file_system/disk_image_writer.h"
#include "tests/disk/recording_builder.h"

namespace brisca {
namespace {
namespace fs = std::filesystem;
using namespace brisca::testing;

class DiskDamageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("brisca-damage-" + std::to_string(getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    ProcessLog().SetRoot(folder_);
    image_ = (folder_ / "disk.img").string();
    recording_.Video(50, 10, 2000, 8000);
    tvfs::SegmentDescription segment;
    segment.date = {26, 3, 8};
    segment.start = {14, 5, 9};
    segment.end = {14, 5, 10};
    segment.time_index = {{0, 14 * 3600 + 5 * 60 + 9}};
    segment.data_size = recording_.bytes().size();
    const Bytes* bytes = &recording_.bytes();
    segment.read_data = [bytes](uint64_t offset, uint8_t* out, size_t length) {
      std::memcpy(out, bytes->data() + offset, length);
      return true;
    };
    tvfs::DiskImageWriter writer(1);
    std::string error;
    ASSERT_TRUE(writer.AddSegment(std::move(segment), error)) << error;
    tvfs::WriteReport report;
    ASSERT_TRUE(writer.Write(image_, report, error)) << error;
    setenv("BRISCA_DRIVES", image_.c_str(), 1);  // the image is "C:"
  }
  void TearDown() override {
    unsetenv("BRISCA_DRIVES");
    ProcessLog().SetRoot(DefaultLogRoot());
    fs::remove_all(folder_);
  }

  std::string LogText() const {
    std::stringstream text;
    for (const auto& entry : fs::recursive_directory_iterator(folder_ / "log"))
      if (entry.path().filename() == "log.txt") text << std::ifstream(entry.path()).rdbuf();
    return text.str();
  }
  void FlipByte(uint64_t offset) {
    std::fstream file(image_, std::ios::in | std::ios::out | std::ios::binary);
    file.seekg(static_cast<std::streamoff>(offset));
    const char byte = static_cast<char>(file.get() ^ 0x5A);
    file.seekp(static_cast<std::streamoff>(offset));
    file.put(byte);
  }
  void ExpectNotFoundAndLogged() {
    NvrSearchResult found[kDriveCount];
    EXPECT_EQ(DiskManager().SearchSD(-1, found), 0);
    EXPECT_NE(LogText().find("CIndexFileNvrMgr::SearchSDOne:1 index=0 -"), std::string::npos)
        << LogText();
  }

  fs::path folder_;
  std::string image_;
  RecordingBuilder recording_;
};

TEST_F(DiskDamageTest, IntactImageIsFound) {
  NvrSearchResult found[kDriveCount];
  EXPECT_EQ(DiskManager().SearchSD(-1, found), 1);
  EXPECT_NE(LogText().find("CIndexFileNvrMgr::SearchSDOne:2 0"), std::string::npos);
}

TEST_F(DiskDamageTest, TruncatedImage) {
  fs::resize_file(image_, fs::file_size(image_) / 2);
  ExpectNotFoundAndLogged();
}

TEST_F(DiskDamageTest, BadChecksum) {
  FlipByte(20);  // inside the superblock
  ExpectNotFoundAndLogged();
}

TEST_F(DiskDamageTest, SegmentDataRunsPastTheEnd) {
  fs::resize_file(image_, fs::file_size(image_) - 1);
  ExpectNotFoundAndLogged();
}

TEST_F(DiskDamageTest, NotARecorderDisk) {
  std::ofstream(image_, std::ios::binary | std::ios::trunc) << std::string(4096, '\0');
  ExpectNotFoundAndLogged();
}

}  // namespace
}  // namespace brisca
