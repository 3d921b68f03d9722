#pragma once

// Conversions between the three datums that map tiles come in: WGS-84 (GPS
// and OpenStreetMap), GCJ-02 (maps published in mainland China) and BD-09
// (Baidu). Coordinates are decimal degrees. Pure functions; any thread.

#include <optional>
#include <QStringView>

namespace mapu {

enum class Datum { Wgs84, Gcj02, Bd09 };

struct LonLat {
  double lon = 0;  // degrees east
  double lat = 0;  // degrees north
};

// The rectangle outside which GCJ-02 equals WGS-84.
bool OutOfChina(LonLat p);

LonLat WgsToGcj(LonLat wgs);
// Inverts WgsToGcj by iteration to well under 0.1 m.
LonLat GcjToWgs(LonLat gcj);
LonLat GcjToBd(LonLat gcj);
// The published inverse, refined by iteration to well under 0.1 m.
LonLat BdToGcj(LonLat bd);

LonLat ConvertDatum(LonLat p, Datum from, Datum to);

// "WGS84", "GCJ02" or "BD09" (case-insensitive, surrounding blanks ignored).
std::optional<Datum> ParseDatum(QStringView text);

// Great-circle distance in metres on a sphere of the Earth's mean radius;
// for checks of conversion accuracy.
double DistanceMetres(LonLat a, LonLat b);

}  // namespace mapu
