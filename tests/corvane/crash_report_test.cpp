#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <QTemporaryDir>

#include <fstream>
#include <sstream>
#include <string>

#include "corvane/app/crash_report_path.h"
#include "corvane/app/crash_reporter.h"

namespace {

TEST(CrashReportPath, ExtensionReplacedOrAppended) {
  EXPECT_EQ(CrashReportPath("/opt/x/corvane.exe"), "/opt/x/corvane.ERPTM");
  EXPECT_EQ(CrashReportPath("/opt/x/corvane.bin"), "/opt/x/corvane.ERPTM");
  EXPECT_EQ(CrashReportPath("/opt/x/corvane"), "/opt/x/corvane.ERPTM");
  EXPECT_EQ(CrashReportPath("/opt/v1.2/corvane"), "/opt/v1.2/corvane.ERPTM");
  EXPECT_EQ(CrashReportPath("/opt/x/.corvane"), "/opt/x/.corvane.ERPTM");
}

// A real null-pointer store, kept away from the sanitizer's own null check
// so that the processor faults.
__attribute__((noinline, no_sanitize("undefined"))) void StoreThroughNull(
    volatile int* target) {
  *target = 1;
}

// Runs a child that installs the reporter and faults; returns its status.
int CrashChild(const std::string& report) {
  const pid_t child = fork();
  if (child == 0) {
    InstallCrashReporter(report.c_str());
    volatile int* null = nullptr;
    StoreThroughNull(null);
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return status;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos;
       at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

TEST(CrashReporter, NullStoreInChildWritesEverySectionAndAppends) {
  QTemporaryDir dir;
  const std::string report = dir.path().toStdString() + "/corvane.ERPTM";

  const int status = CrashChild(report);
  // The default handling (or a sanitizer's handler) still ends the child.
  EXPECT_TRUE(WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) != 0));
  if (WIFSIGNALED(status)) {
    EXPECT_EQ(WTERMSIG(status), SIGSEGV);
  }

  const std::string text = ReadAll(report);
  size_t at = 0;
  for (const char* section :
       {"//=====================================================\n",
        "Error Date time: ", "Exception code: C0000005 ACCESS_VIOLATION\n",
        "Fault address:  ", "\nsystem details:\nVendor: ", "Number Of Processors: ",
        "Memory Used ", "Working Set Min: ", "\nRegisters:\n", "Flags:",
        "\nCall stack:\nAddress ", "corvane_shell_tests"}) {
    const size_t found = text.find(section, at);
    ASSERT_NE(found, std::string::npos) << "missing " << section << "\n" << text;
    at = found;
  }
  EXPECT_EQ(text.back(), '\n');

  CrashChild(report);
  EXPECT_EQ(Count(ReadAll(report), "//====="), 2u);
}

}  // namespace
