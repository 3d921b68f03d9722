#include "corvane/app/crash_report_path.h"

std::string CrashReportPath(const std::string& exePath) {
  const size_t slash = exePath.rfind('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const size_t dot = exePath.rfind('.');
  // A dot that starts the name ("/x/.hidden") is no extension either.
  if (dot == std::string::npos || dot <= nameStart) return exePath + ".ERPTM";
  return exePath.substr(0, dot + 1) + "ERPTM";
}
