// The two written forms of a recording's telemetry.
#pragma once

#include <cstdio>
#include <span>
#include <string>

#include "tools/brisca/telemetry_track.h"

namespace brisca::tools {

// The extension elements of our GPX track points.
inline constexpr const char* kTelemetryGpxNamespace = "urn:corvane:brisca:telemetry:1";

// One line per record: timestamp_us, time, fix (1 valid, 0 not), latitude,
// longitude (empty when out of range), speed_kmh, heading_deg, accel_x_g,
// accel_y_g, accel_z_g.
void WriteTelemetryCsv(std::FILE* out, std::span<const TelemetryPoint> points);

// A GPX 1.1 track named `name`: one track point per record with a valid fix
// and position, with its time and, as extensions, speed (m/s), course
// (degrees) and acceleration (g). Returns the number of points written.
size_t WriteTelemetryGpx(std::FILE* out, std::span<const TelemetryPoint> points,
                         const std::string& name);

}  // namespace brisca::tools
