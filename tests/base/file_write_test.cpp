#include "brisca/base/file_write.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace brisca {
namespace {

// What reaches a file when the Nth write call fails: only the calls before
// it, whether the pieces are written at an offset or appended, and a piece
// of nothing is no write at all.
TEST(FileWriteTest, InjectedFaultsStopExactlyAtTheirCall) {
  struct Case {
    int nth;
    bool sticky;
    bool first_ok, second_ok, third_ok;
    std::string content;
  };
  using namespace std::string_literals;
  const Case cases[] = {
      {0, false, true, true, true, "abcdefgh"s},
      {1, false, false, true, true, "\0\0cdefgh"s},
      {2, false, true, false, true, "ab\0\0\0fgh"s},
      {2, true, true, false, false, "ab"s},
      {3, true, true, true, false, "abcde"s},
  };
  char name[] = "/tmp/file_write_test_XXXXXX";
  const int fd = mkstemp(name);
  ASSERT_GE(fd, 0);
  unlink(name);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.nth);
    ASSERT_EQ(ftruncate(fd, 0), 0);
    ASSERT_EQ(lseek(fd, 5, SEEK_SET), 5);
    InjectWriteFault(c.nth, ENOSPC, c.sticky);
    const iovec pieces[] = {{const_cast<char*>("cd"), 2}, {nullptr, 0}, {const_cast<char*>("e"), 1}};
    EXPECT_EQ(WriteFullyAt(fd, "ab", 2, 0), c.first_ok);
    EXPECT_EQ(WriteFullyAt(fd, pieces, 3, 2), c.second_ok);
    errno = 0;
    EXPECT_EQ(WriteFully(fd, "fgh", 3), c.third_ok);
    if (!c.third_ok) {
      EXPECT_EQ(errno, ENOSPC);
    }
    EXPECT_TRUE(WriteFullyAt(fd, "", 0, 0));  // nothing to write, even on a full disk
    InjectWriteFault(0, 0, false);
    std::string content(64, '\0');
    const ssize_t got = pread(fd, content.data(), content.size(), 0);
    ASSERT_GE(got, 0);
    content.resize(static_cast<size_t>(got));
    EXPECT_EQ(content, c.content);
  }
  close(fd);
}

}  // namespace
}  // namespace brisca
