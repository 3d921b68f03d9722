#pragma once

#include <string>

// Where the crash report of the executable at `exePath` goes: the path with
// the file name's extension replaced by "ERPTM", or ".ERPTM" appended when
// the name has none ("/opt/corvane/corvane" -> "/opt/corvane/corvane.ERPTM").
std::string CrashReportPath(const std::string& exePath);
