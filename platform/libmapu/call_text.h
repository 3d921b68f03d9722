#pragma once

// Reading the texts that MAP_* callers hand in: zero-terminated UTF-16 of
// unknown length, so every read stops at a bound, and coordinates in them
// are parsed strictly. Pure functions; any thread.

#include <optional>
#include <QString>

#include "platform/libmapu/gps_datum.h"

namespace mapu {

constexpr qsizetype kMaxNameChars = 256;
constexpr qsizetype kMaxLabelChars = 4096;
constexpr qsizetype kMaxPathChars = 4096;
constexpr qsizetype kMaxCoordinateChars = 32;

// The text, or nullopt when `text` is null or has no terminator within
// `maxChars` characters (no more than maxChars + 1 are read).
std::optional<QString> ReadCallText(const char16_t* text, qsizetype maxChars);

// Decimal degrees: an optional sign, digits, an optional fraction, blanks
// around; no exponent, no "nan" or "inf". nullopt for anything else.
std::optional<double> ParseDegrees(const char16_t* text);

// Both parsed and within |lon| <= 180, |lat| <= 90.
std::optional<LonLat> ParseLonLat(const char16_t* longitude, const char16_t* latitude);

}  // namespace mapu
