#pragma once

// Appends a plain-text fault report when the process dies of a processor
// fault (SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGTRAP), then hands the signal to
// the handler installed before, so the default fault handling still follows.
//
// InstallCrashReporter() runs once, early on the main thread, before any
// other thread exists; `reportPath` is copied into a fixed buffer. Paths
// longer than that buffer disable the report. The handlers run on an
// alternate signal stack so that a stack overflow is reported too.
void InstallCrashReporter(const char* reportPath);
