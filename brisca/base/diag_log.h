// The diagnostic log and the debugger output.
//
// BrLog appends "MM/DD/YY hh:mm:ss message\r\n" to log/YYYYMMDD/log.txt below
// the log root: the per-user state folder, a folder the caller names, or the
// program's folder of a portable install (see DefaultLogRoot). The card
// index copies go below the same root. It has no levels and no switch; every
// call writes. It takes no lock:
// each call opens the file in append mode, so concurrent lines interleave only
// whole. A failure to create a folder or open the file is silent.
#pragma once

#include <ctime>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string_view>

namespace brisca {

inline constexpr size_t kLogFormatLimit = 24576;        // formats this long or longer are dropped
inline constexpr uint64_t kLogResetSize = 524288000;    // a file this large is emptied first
inline constexpr size_t kDebugOutputLimit = 1024;

void BrLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Sends a line to the debugger output unless `level` is negative. The
// default sink writes to standard error when the environment variable
// BRISCA_DEBUG_OUTPUT is set and discards the text otherwise.
void BrDebugOutput(int level, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

// Receives the text of BrDebugOutput, then a separate "\n". Null restores the
// default sink. Meant for tests and for programs that show the output.
using DebugOutputSink = void (*)(const char* text);
void SetDebugOutputSink(DebugOutputSink sink);

// Where and when the log writes. One process-wide instance (ProcessLog());
// tests point it at a temporary folder and a fixed clock.
class DiagnosticLog {
 public:
  using LocalClock = std::function<std::tm()>;

  DiagnosticLog();

  void SetRoot(std::filesystem::path root);
  void SetClock(LocalClock clock);

  // Writes one line with the current local date and time.
  void Append(std::string_view message);
  // The file a line written at `when` goes to. With no root (no home folder
  // to be found) nothing is written.
  std::filesystem::path FileFor(const std::tm& when) const;

 private:
  mutable std::mutex mutex_;  // guards root_ and clock_, not the writes
  std::filesystem::path root_;
  LocalClock clock_;
};

DiagnosticLog& ProcessLog();

// The folder of the running executable, empty when it cannot be found.
std::filesystem::path ProgramFolder();

// The file whose presence beside the executable makes a portable install:
// the user puts it there to keep the log with the program (on a stick, say).
inline constexpr const char* kPortableMarker = "portable";

// Where the log goes unless the caller names a folder: the program's folder
// when it holds the portable marker (a regular file) and is writable, else
// the per-user state folder, $XDG_STATE_HOME/corvane when that is an
// absolute path, else HOME/.local/state/corvane (HOME from the environment
// or, without one, the user database). Empty when there is no home either.
// Never the program's folder otherwise: an installed program's folder is
// not the user's, even when the user may write to it.
std::filesystem::path DefaultLogRoot();
// The same choice from given facts (null for an unset variable).
std::filesystem::path ChooseLogRoot(const std::filesystem::path& program_folder,
                                    const char* xdg_state_home, const char* home);

}  // namespace brisca
