#include "brisca/base/diag_log.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace brisca {
namespace {
namespace fs = std::filesystem;

std::tm March8At140509() {
  std::tm when{};
  when.tm_year = 2026 - 1900;
  when.tm_mon = 2;
  when.tm_mday = 8;
  when.tm_hour = 14;
  when.tm_min = 5;
  when.tm_sec = 9;
  return when;
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class DiagLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("brisca-log-" + std::to_string(getpid()));
    fs::remove_all(root_);
    ProcessLog().SetRoot(root_);
    ProcessLog().SetClock(March8At140509);
  }
  void TearDown() override {
    ProcessLog().SetClock(nullptr);
    fs::remove_all(root_);
  }
  fs::path LogFile() const { return root_ / "log" / "20260308" / "log.txt"; }

  fs::path root_;
};

TEST_F(DiagLogTest, WritesDatedLineIntoDayFolder) {
  BrLog("CFileJv::OpenFile:2 %s %d", "0\\12\\3", -4);
  BrLog("second");
  EXPECT_EQ(ReadAll(LogFile()),
            "03/08/26 14:05:09 CFileJv::OpenFile:2 0\\12\\3 -4\r\n"
            "03/08/26 14:05:09 second\r\n");
}

TEST_F(DiagLogTest, FormatLengthLimit) {
  BrLog(nullptr);
  BrLog("%s", "");  // an empty message is still a line; an empty format is not
  const std::string at_limit(kLogFormatLimit, 'x');
  BrLog(at_limit.c_str());
  EXPECT_EQ(ReadAll(LogFile()), "03/08/26 14:05:09 \r\n");

  const std::string below_limit(kLogFormatLimit - 1, 'y');
  BrLog(below_limit.c_str());
  EXPECT_EQ(ReadAll(LogFile()),
            "03/08/26 14:05:09 \r\n03/08/26 14:05:09 " + below_limit + "\r\n");
}

TEST_F(DiagLogTest, LongMessageIsCutToTheBuffer) {
  const std::string piece(20000, 'z');
  BrLog("%s%s", piece.c_str(), piece.c_str());
  const std::string text = ReadAll(LogFile());
  EXPECT_EQ(text.size(), 18 + (kLogFormatLimit - 1) + 2);
}

TEST_F(DiagLogTest, FileOfFiveHundredMebibytesIsEmptiedFirst) {
  fs::create_directories(LogFile().parent_path());
  {
    std::ofstream(LogFile(), std::ios::binary).put('x');
  }
  fs::resize_file(LogFile(), kLogResetSize - 1);  // sparse
  BrLog("kept");
  EXPECT_EQ(fs::file_size(LogFile()), kLogResetSize - 1 + 24);

  fs::resize_file(LogFile(), kLogResetSize);
  BrLog("fresh");
  EXPECT_EQ(ReadAll(LogFile()), "03/08/26 14:05:09 fresh\r\n");
}

TEST_F(DiagLogTest, UnwritableRootIsSilent) {
  ProcessLog().SetRoot("/proc/brisca-no-such-folder");
  BrLog("lost");  // must neither throw nor crash
  EXPECT_FALSE(fs::exists(LogFile()));
}

std::string captured;
void Capture(const char* text) { captured += text; }

TEST(DebugOutputTest, NegativeLevelIsSilentAndLinesEndWithNewline) {
  captured.clear();
  SetDebugOutputSink(Capture);
  BrDebugOutput(-1, "hidden %d", 1);
  BrDebugOutput(0, "shown %d", 2);
  BrDebugOutput(1, "%s", std::string(2000, 'q').c_str());
  SetDebugOutputSink(nullptr);
  EXPECT_EQ(captured, "shown 2\n" + std::string(kDebugOutputLimit - 1, 'q') + "\n");
}

}  // namespace
}  // namespace brisca
