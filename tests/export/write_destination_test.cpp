#include "brisca/export/write_destination.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "tests/export/export_test_support.h"

namespace brisca {
namespace {

namespace fs = std::filesystem;

// A tree of a source folder with a recording, its siblings and links into
// it: every way of naming the source, a place inside it or a folder around
// it is an overlap, and nothing else is.
TEST(WriteDestinationTest, OverlapAfterResolvingLinksAndNames) {
  const fs::path root = testing::WorkPath("destinations-" + std::to_string(getpid()));
  fs::remove_all(root);
  fs::create_directories(root / "src/sub");
  fs::create_directories(root / "src2");
  fs::create_directories(root / "other");
  std::ofstream(root / "src/rec.strm") << "recording";
  fs::create_directory_symlink(root / "src", root / "link-to-src");
  fs::create_directory_symlink("../src/sub", root / "other/inner-link");
  fs::create_hard_link(root / "src/rec.strm", root / "hard.strm");
  fs::create_symlink(root / "src/rec.strm", root / "soft.strm");

  struct Case {
    std::string destination;
    std::string source;
    bool overlaps;
  };
  const Case cases[] = {
      {"src", "src", true},
      {"src/", "src", true},
      {"src/.", "src/", true},
      {"other/../src", "src", true},
      {"src/new/deeper", "src", true},
      {"src/sub", "src", true},
      {"link-to-src", "src", true},
      {"link-to-src/new", "src", true},
      {"other/inner-link", "src", true},
      {"other/inner-link/new", "src", true},
      {"", "src", true},  // the root holds the source
      {"src", "src/rec.strm", true},
      {"src/rec.strm", "src/rec.strm", true},
      {"hard.strm", "src/rec.strm", true},
      {"soft.strm", "src/rec.strm", true},
      {"link-to-src/rec.strm", "src/rec.strm", true},
      {"src2", "src", false},
      {"other", "src", false},
      {"other/new", "link-to-src", false},
      {"src/rec.avi", "src/rec.strm", false},
      {"src2/rec.strm", "src/rec.strm", false},
  };
  for (const Case& c : cases) {
    const std::string destination = (root / c.destination).string();
    const std::string source = (root / c.source).string();
    EXPECT_EQ(DestinationOverlapsSource(destination, source), c.overlaps)
        << c.destination << " / " << c.source;
    // Inside and around are the same question asked the other way.
    if (c.destination.find("new") == std::string::npos) {
      EXPECT_EQ(DestinationOverlapsSource(source, destination), c.overlaps)
          << c.source << " / " << c.destination;
    }
  }
  // Relative names resolve from the working folder.
  const fs::path before = fs::current_path();
  fs::current_path(root / "other");
  EXPECT_TRUE(DestinationOverlapsSource("../src/x", (root / "src").string()));
  EXPECT_TRUE(DestinationOverlapsSource("inner-link/x", "../src"));
  EXPECT_FALSE(DestinationOverlapsSource("new", "../src"));
  fs::current_path(before);
  EXPECT_FALSE(DestinationOverlapsSource((root / "src").string(), ""));
  fs::remove_all(root);
}

// A raw card drive that holds the file system a destination lies on: the
// export would write onto the medium it reads. Needs the device node of the
// file system the work folder lies on.
TEST(WriteDestinationTest, DestinationOnTheBlockDeviceRead) {
  const std::string folder = testing::WorkPath("on-device-" + std::to_string(getpid()));
  fs::create_directories(folder);
  struct stat work {};
  ASSERT_EQ(::stat(folder.c_str(), &work), 0);
  std::optional<std::string> same;
  std::optional<std::string> other;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator("/dev", error)) {
    struct stat device {};
    if (::stat(entry.path().c_str(), &device) != 0 || !S_ISBLK(device.st_mode)) continue;
    (device.st_rdev == work.st_dev ? same : other) = entry.path().string();
  }
  fs::remove_all(folder);
  if (!same || !other) GTEST_SKIP() << "no device node for the work folder's file system";
  EXPECT_TRUE(DestinationOverlapsSource(folder + "/export", *same));
  EXPECT_FALSE(DestinationOverlapsSource(folder + "/export", *other));
}

}  // namespace
}  // namespace brisca
