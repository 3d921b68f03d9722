// What a reader left out because the medium is damaged: a date whose table
// cannot be read, a partition without a readable index, a stretch of bytes
// given up. Each report is one line in the diagnostic log and, when the
// environment variable BRISCA_REPORT_DAMAGE is set (the command-line tool
// sets it), on standard error, so that an operator sees what a listing or
// a conversion went without. Report once per cause, not once per slot.
#pragma once

namespace brisca {

void ReportDamage(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Receives each report's text (no line end) instead of standard error.
// Null restores the default. Meant for tests.
using DamageSink = void (*)(const char* text);
void SetDamageSink(DamageSink sink);

}  // namespace brisca
