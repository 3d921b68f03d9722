#pragma once

#include <signal.h>

// Writes one fault report block to `fd`: separator, local date and time,
// fault code and name, fault address with its module, processor and memory
// details, the registers of the faulting thread and a frame-pointer walk of
// its stack. Called from a signal handler: no allocation, no locks of its
// own, every line formatted into a 1024-byte buffer (longer lines are cut).
void WriteCrashReport(int fd, int signal, const siginfo_t* info,
                      const void* context);
