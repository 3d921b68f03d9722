#include "tools/brisca/telemetry_formats.h"

namespace brisca::tools {
namespace {

std::string XmlEscaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default:
        // Control characters are not allowed in XML 1.0 text.
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out += c;
    }
  }
  return out;
}

}  // namespace

void WriteTelemetryCsv(std::FILE* out, std::span<const TelemetryPoint> points) {
  std::fputs("timestamp_us,time,fix,latitude,longitude,speed_kmh,heading_deg,accel_x_g,"
             "accel_y_g,accel_z_g\n",
             out);
  for (const TelemetryPoint& p : points) {
    std::fprintf(out, "%llu,%s,%d,", static_cast<unsigned long long>(p.timestamp_us),
                 p.time.c_str(), p.fix ? 1 : 0);
    if (p.position_valid) {
      std::fprintf(out, "%.7f,%.7f,", p.latitude, p.longitude);
    } else {
      std::fputs(",,", out);
    }
    std::fprintf(out, "%u,%.2f,%.4f,%.4f,%.4f\n", p.speed_kmh, p.heading_degrees, p.accel_g[0],
                 p.accel_g[1], p.accel_g[2]);
  }
}

size_t WriteTelemetryGpx(std::FILE* out, std::span<const TelemetryPoint> points,
                         const std::string& name) {
  std::fprintf(out,
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\" xmlns:brisca=\"%s\" "
               "version=\"1.1\" creator=\"brisca telemetry\">\n"
               "  <metadata><name>%s</name></metadata>\n"
               "  <trk>\n    <name>%s</name>\n    <trkseg>\n",
               kTelemetryGpxNamespace, XmlEscaped(name).c_str(), XmlEscaped(name).c_str());
  size_t written = 0;
  for (const TelemetryPoint& p : points) {
    if (!p.fix || !p.position_valid) continue;
    // GPX longitudes run from -180 up to but not including 180.
    const double longitude = p.longitude >= 180.0 ? p.longitude - 360.0 : p.longitude;
    std::fprintf(out, "      <trkpt lat=\"%.7f\" lon=\"%.7f\">", p.latitude, longitude);
    if (!p.time.empty()) std::fprintf(out, "<time>%s</time>", p.time.c_str());
    std::fprintf(out,
                 "<extensions><brisca:speed>%.2f</brisca:speed>"
                 "<brisca:course>%.2f</brisca:course>"
                 "<brisca:acceleration x=\"%.4f\" y=\"%.4f\" z=\"%.4f\"/></extensions>"
                 "</trkpt>\n",
                 p.speed_kmh / 3.6, p.heading_degrees, p.accel_g[0], p.accel_g[1], p.accel_g[2]);
    ++written;
  }
  std::fputs("    </trkseg>\n  </trk>\n</gpx>\n", out);
  return written;
}

}  // namespace brisca::tools
