// Whole writes to the library's output files (AVI, BMP, export containers
// and indexes). Every such write goes through here, continuing after
// partial writes and EINTR, so that each writer handles a full or
// size-limited file system in one place, and so that a test can make the
// Nth write fail as such a file system would.
#pragma once

#include <sys/uio.h>

#include <cstddef>
#include <cstdint>

namespace brisca {

// Writes every byte at `offset` (pwrite). False with errno set when a write
// fails or makes no progress; some of the bytes may have reached the file.
bool WriteFullyAt(int fd, const void* data, size_t size, uint64_t offset);
// As WriteFullyAt, for up to IOV_MAX pieces written one after another.
bool WriteFullyAt(int fd, const iovec* pieces, int count, uint64_t offset);
// Writes every byte at the file's position (write).
bool WriteFully(int fd, const void* data, size_t size);

// Fault injection for tests: the `nth` write call from now on (1 = the
// next) fails with `error` (ENOSPC, EFBIG, EIO, ...), and with `sticky` so
// does every later one, as on a full disk. Only the bytes of the calls
// before it reach the file; a call that fails writes nothing. nth 0 ends
// the injection. Process-wide; not for production code.
void InjectWriteFault(int nth, int error, bool sticky);
// Write calls made since the last InjectWriteFault.
int WriteCallCount();

}  // namespace brisca
