#include "brisca/base/diag_log.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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

TEST(LogRootTest, ProgramFolderOnlyForAPortableInstall) {
  const fs::path base = fs::temp_directory_path() / ("brisca-root-" + std::to_string(getpid()));
  fs::remove_all(base);
  const fs::path installed = base / "installed";
  const fs::path portable = base / "portable-install";
  const fs::path marker_folder = base / "marker-is-a-folder";
  fs::create_directories(installed);
  fs::create_directories(portable);
  fs::create_directories(marker_folder / kPortableMarker);
  std::ofstream(portable / kPortableMarker).put('\n');
  const std::string state = (base / "state").string();
  struct Case {
    fs::path program;
    const char* xdg_state_home;
    const char* home;
    fs::path root;
  };
  const std::vector<Case> cases = {
      {portable, state.c_str(), "/home/u", portable},
      {installed, state.c_str(), "/home/u", base / "state" / "corvane"},
      {marker_folder, nullptr, "/home/u", "/home/u/.local/state/corvane"},
      {installed, "relative/state", "/home/u", "/home/u/.local/state/corvane"},
      {installed, "", "/home/u", "/home/u/.local/state/corvane"},
      {"", nullptr, "/home/u", "/home/u/.local/state/corvane"},
      {installed, nullptr, "", ""},
      {installed, nullptr, nullptr, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChooseLogRoot(c.program, c.xdg_state_home, c.home), c.root)
        << c.program << " " << (c.xdg_state_home ? c.xdg_state_home : "(unset)") << " "
        << (c.home ? c.home : "(unset)");
  }
  fs::remove_all(base);
}

TEST(LogRootTest, DefaultLogGoesToAPrivateStateFolder) {
  // The test executable's folder is no portable install: a log made with
  // the default root lands in XDG_STATE_HOME.
  const fs::path state = fs::temp_directory_path() / ("brisca-state-" + std::to_string(getpid()));
  fs::remove_all(state);
  const char* saved = std::getenv("XDG_STATE_HOME");
  const std::string restore = saved ? saved : "";
  setenv("XDG_STATE_HOME", state.c_str(), 1);
  {
    DiagnosticLog log;
    log.SetClock(March8At140509);
    log.Append("to the state folder");
  }
  if (saved) {
    setenv("XDG_STATE_HOME", restore.c_str(), 1);
  } else {
    unsetenv("XDG_STATE_HOME");
  }
  EXPECT_EQ(ReadAll(state / "corvane" / "log" / "20260308" / "log.txt"),
            "03/08/26 14:05:09 to the state folder\r\n");
  EXPECT_EQ(fs::status(state / "corvane").permissions() & fs::perms::all, fs::perms::owner_all);
  fs::remove_all(state);
}

TEST(LogRootTest, NoRootWritesNothing) {
  const fs::path work = fs::temp_directory_path() / ("brisca-cwd-" + std::to_string(getpid()));
  fs::remove_all(work);
  fs::create_directories(work);
  const fs::path before = fs::current_path();
  fs::current_path(work);
  DiagnosticLog log;
  log.SetRoot({});
  log.SetClock(March8At140509);
  EXPECT_TRUE(log.FileFor(March8At140509()).empty());
  log.Append("nowhere");  // must not land in the working folder
  fs::current_path(before);
  EXPECT_TRUE(fs::is_empty(work));
  fs::remove_all(work);
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
