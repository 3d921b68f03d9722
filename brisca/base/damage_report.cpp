#include "brisca/base/damage_report.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "brisca/base/diag_log.h"

namespace brisca {
namespace {

void StandardErrorSink(const char* text) {
  if (std::getenv("BRISCA_REPORT_DAMAGE") != nullptr) std::fprintf(stderr, "brisca: %s\n", text);
}

std::atomic<DamageSink> sink{StandardErrorSink};

}  // namespace

void ReportDamage(const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  BrLog("%s", text);
  sink.load()(text);
}

void SetDamageSink(DamageSink replacement) {
  sink.store(replacement ? replacement : StandardErrorSink);
}

}  // namespace brisca
