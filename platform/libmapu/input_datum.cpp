#include "platform/libmapu/input_datum.h"

#include <atomic>

namespace mapu {
namespace {

// -1: no conversion since the last push; otherwise a Datum.
std::atomic<int> g_converted{-1};

}  // namespace

void NoteConversion(Datum datum) { g_converted.store(static_cast<int>(datum)); }

Datum InputDatum() {
  const int converted = g_converted.load();
  return converted < 0 ? Datum::Wgs84 : static_cast<Datum>(converted);
}

void ClearConversionMark() { g_converted.store(-1); }

}  // namespace mapu
