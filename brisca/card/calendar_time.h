// Calendar times of the card formats: seconds since 1970-01-01 of the
// recorder's own wall clock, shown as they are (no time-zone shift).
#pragma once

#include <cstdint>

#include "brisca/types/brisca_types.h"

namespace brisca {

// The calendar time `seconds` after 1970-01-01 00:00:00, taken as UTC, with
// the day of week (0 = Sunday) filled and milliseconds 0.
BR_SYSTEMTIME UtcSystemTime(uint32_t seconds);

}  // namespace brisca
