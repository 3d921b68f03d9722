#include "brisca/base/diag_log.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>
#include <vector>

namespace brisca {
namespace fs = std::filesystem;

namespace {

std::tm CurrentLocalTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

void WriteLine(const fs::path& file, const std::string& line) {
  const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return;
  struct stat info {};
  if (fstat(fd, &info) == 0 && static_cast<uint64_t>(info.st_size) >= kLogResetSize) {
    if (ftruncate(fd, 0) != 0) {
      close(fd);
      return;
    }
  }
  const ssize_t written = write(fd, line.data(), line.size());
  (void)written;  // the log gives up silently
  close(fd);
}

void StandardErrorSink(const char* text) {
  static const bool enabled = std::getenv("BRISCA_DEBUG_OUTPUT") != nullptr;
  if (enabled) std::fputs(text, stderr);
}

std::atomic<DebugOutputSink> debug_sink{StandardErrorSink};

}  // namespace

fs::path ChooseLogRoot(const fs::path& program_folder, const char* xdg_state_home,
                       const char* home) {
  if (!program_folder.empty()) {
    std::error_code error;
    if (fs::is_regular_file(program_folder / kPortableMarker, error) &&
        access(program_folder.c_str(), W_OK) == 0)
      return program_folder;
  }
  // A relative XDG_STATE_HOME is invalid and would put the log wherever the
  // program happens to run.
  if (xdg_state_home && fs::path(xdg_state_home).is_absolute())
    return fs::path(xdg_state_home) / "corvane";
  if (home && *home) return fs::path(home) / ".local" / "state" / "corvane";
  return {};
}

fs::path DefaultLogRoot() {
  const char* home = std::getenv("HOME");
  std::string account_home;
  if (!home || !*home) {
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir)
      account_home = found->pw_dir;
    home = account_home.c_str();
  }
  return ChooseLogRoot(ProgramFolder(), std::getenv("XDG_STATE_HOME"), home);
}

fs::path ProgramFolder() {
  std::error_code error;
  const fs::path exe = fs::read_symlink("/proc/self/exe", error);
  if (error) return {};
  return exe.parent_path();
}

DiagnosticLog::DiagnosticLog() : root_(DefaultLogRoot()), clock_(CurrentLocalTime) {}

void DiagnosticLog::SetRoot(fs::path root) {
  std::lock_guard lock(mutex_);
  root_ = std::move(root);
}

void DiagnosticLog::SetClock(LocalClock clock) {
  std::lock_guard lock(mutex_);
  clock_ = clock ? std::move(clock) : LocalClock(CurrentLocalTime);
}

fs::path DiagnosticLog::FileFor(const std::tm& when) const {
  char day[40];
  std::snprintf(day, sizeof day, "%04d%02d%02d", when.tm_year + 1900,
                when.tm_mon + 1, when.tm_mday);
  std::lock_guard lock(mutex_);
  if (root_.empty()) return {};
  return root_ / "log" / day / "log.txt";
}

void DiagnosticLog::Append(std::string_view message) {
  std::tm now;
  {
    std::lock_guard lock(mutex_);
    now = clock_();
  }
  char date[40];
  char time[16];
  // The two-digit year is the log's established line format.
  std::snprintf(date, sizeof date, "%02d/%02d/%02d", now.tm_mon + 1, now.tm_mday,
                now.tm_year % 100);
  std::strftime(time, sizeof time, "%H:%M:%S", &now);

  const fs::path file = FileFor(now);
  if (file.empty()) return;
  // The root is made private: the log names the media and files examined.
  const fs::path root = file.parent_path().parent_path().parent_path();
  std::error_code ignored;
  if (!fs::exists(root, ignored)) {
    fs::create_directories(root.parent_path(), ignored);
    mkdir(root.c_str(), 0700);
  }
  fs::create_directories(file.parent_path(), ignored);

  std::string line;
  line.reserve(message.size() + 24);
  line.append(date).append(" ").append(time).append(" ");
  line.append(message).append("\r\n");
  WriteLine(file, line);
}

DiagnosticLog& ProcessLog() {
  static DiagnosticLog log;
  return log;
}

void BrLog(const char* format, ...) {
  if (!format) return;
  const size_t length = strnlen(format, kLogFormatLimit);
  if (length == 0 || length >= kLogFormatLimit) return;

  std::vector<char> message(kLogFormatLimit);
  va_list args;
  va_start(args, format);
  std::vsnprintf(message.data(), message.size(), format, args);
  va_end(args);
  ProcessLog().Append(message.data());
}

void BrDebugOutput(int level, const char* format, ...) {
  if (level < 0 || !format) return;
  char text[kDebugOutputLimit] = {};
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  const DebugOutputSink sink = debug_sink.load();
  sink(text);
  sink("\n");
}

void SetDebugOutputSink(DebugOutputSink sink) {
  debug_sink.store(sink ? sink : StandardErrorSink);
}

}  // namespace brisca
