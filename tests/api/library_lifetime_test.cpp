// Loading libbrisca.so into a host program that does not link it: the
// library ignores SIGXFSZ unless the host chose its own disposition, so a
// write past the file size limit fails with EFBIG instead of ending the
// host. Each case runs in a child: dispositions and loaded libraries are
// process-wide.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

namespace {

void HostHandler(int) {}

enum class Before { kDefault, kHandler, kIgnored };
enum class After { kIgnored, kHostHandler };

// The child's exit code: 0 when the disposition after loading is `after`
// and, with the signal ignored, a write past the limit failed with EFBIG.
int LoadAndCheck(Before before, After after, const std::string& scratch) {
  struct sigaction host {};
  sigemptyset(&host.sa_mask);
  host.sa_handler = before == Before::kHandler ? HostHandler
                    : before == Before::kIgnored ? SIG_IGN
                                                 : SIG_DFL;
  if (sigaction(SIGXFSZ, &host, nullptr) != 0) return 10;
  if (!dlopen(BRISCA_LIBRARY, RTLD_NOW | RTLD_LOCAL)) {
    std::fprintf(stderr, "%s\n", dlerror());
    return 11;
  }
  struct sigaction now {};
  if (sigaction(SIGXFSZ, nullptr, &now) != 0) return 12;
  if (after == After::kHostHandler) return now.sa_handler == HostHandler ? 0 : 13;
  if (now.sa_handler != SIG_IGN) return 14;
  const rlimit cap{100, 100};
  if (setrlimit(RLIMIT_FSIZE, &cap) != 0) return 15;
  const int fd = open(scratch.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return 16;
  const char bytes[200] = {};
  const ssize_t first = write(fd, bytes, sizeof bytes);  // cut at the limit
  const ssize_t second = write(fd, bytes, sizeof bytes);
  return first == 100 && second < 0 && errno == EFBIG ? 0 : 17;
}

TEST(LibraryLifetimeTest, LoadingIgnoresTheFileSizeSignalUnlessTheHostChose) {
  struct Case {
    const char* what;
    Before before;
    After after;
  };
  const std::string scratch =
      ::testing::TempDir() + "brisca-fsize-" + std::to_string(getpid());
  for (const Case& c : {Case{"default", Before::kDefault, After::kIgnored},
                        Case{"host handler", Before::kHandler, After::kHostHandler},
                        Case{"host ignores", Before::kIgnored, After::kIgnored}}) {
    const pid_t child = fork();
    if (child == 0) _exit(LoadAndCheck(c.before, c.after, scratch));
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << c.what << ": signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0) << c.what;
  }
  unlink(scratch.c_str());
}

}  // namespace
