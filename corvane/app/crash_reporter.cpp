#include "corvane/app/crash_reporter.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

#include "corvane/app/crash_report_writer.h"

namespace {

constexpr std::array<int, 5> kFaultSignals{SIGSEGV, SIGBUS, SIGILL, SIGFPE,
                                           SIGTRAP};
constexpr size_t kAltStackSize = 64 * 1024;

// Process-wide by nature: a signal handler reaches nothing else.
char g_reportPath[4096];
std::array<struct sigaction, kFaultSignals.size()> g_previous{};
alignas(16) char g_altStack[kAltStackSize];

size_t SignalSlot(int signal) {
  for (size_t i = 0; i < kFaultSignals.size(); ++i) {
    if (kFaultSignals[i] == signal) return i;
  }
  return 0;
}

void OnFault(int signal, siginfo_t* info, void* context) {
  const int saved = errno;
  if (g_reportPath[0] != '\0') {
    const int fd = open(g_reportPath, O_WRONLY | O_CREAT | O_APPEND | O_SYNC |
                                          O_CLOEXEC, 0644);
    if (fd >= 0) {
      WriteCrashReport(fd, signal, info, context);
      close(fd);
    }
  }
  errno = saved;

  // Chain: a previous handler decides; otherwise the default action runs
  // when the faulting instruction is retried on return.
  const struct sigaction& previous = g_previous[SignalSlot(signal)];
  if ((previous.sa_flags & SA_SIGINFO) != 0 && previous.sa_sigaction) {
    previous.sa_sigaction(signal, info, context);
    return;
  }
  if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
    previous.sa_handler(signal);
    return;
  }
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(signal, &fallback, nullptr);
  raise(signal);  // delivered with the default action once we return
}

}  // namespace

void InstallCrashReporter(const char* reportPath) {
  const size_t length = std::strlen(reportPath);
  if (length < sizeof(g_reportPath)) {
    std::memcpy(g_reportPath, reportPath, length + 1);
  }
  stack_t stack{};
  stack.ss_sp = g_altStack;
  stack.ss_size = sizeof(g_altStack);
  sigaltstack(&stack, nullptr);

  struct sigaction action {};
  action.sa_sigaction = OnFault;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  for (size_t i = 0; i < kFaultSignals.size(); ++i) {
    sigaction(kFaultSignals[i], &action, &g_previous[i]);
  }
}
