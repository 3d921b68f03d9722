#include "platform/libmapu/gps_datum.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace mapu {
namespace {

constexpr double kPi = std::numbers::pi;
// Krasovsky 1940 ellipsoid, on which the GCJ-02 offsets are defined.
constexpr double kA = 6378245.0;
constexpr double kEe = 0.00669342162296594323;
constexpr double kXPi = kPi * 3000.0 / 180.0;
// Iterated inverses stop below this step (degrees; about 1 mm).
constexpr double kInverseTolerance = 1e-8;
constexpr int kMaxInverseSteps = 30;

double TransformLat(double x, double y) {
  double r = -100.0 + 2.0 * x + 3.0 * y + 0.2 * y * y + 0.1 * x * y + 0.2 * std::sqrt(std::fabs(x));
  r += (20.0 * std::sin(6.0 * x * kPi) + 20.0 * std::sin(2.0 * x * kPi)) * 2.0 / 3.0;
  r += (20.0 * std::sin(y * kPi) + 40.0 * std::sin(y / 3.0 * kPi)) * 2.0 / 3.0;
  r += (160.0 * std::sin(y / 12.0 * kPi) + 320.0 * std::sin(y * kPi / 30.0)) * 2.0 / 3.0;
  return r;
}

double TransformLon(double x, double y) {
  double r = 300.0 + x + 2.0 * y + 0.1 * x * x + 0.1 * x * y + 0.1 * std::sqrt(std::fabs(x));
  r += (20.0 * std::sin(6.0 * x * kPi) + 20.0 * std::sin(2.0 * x * kPi)) * 2.0 / 3.0;
  r += (20.0 * std::sin(x * kPi) + 40.0 * std::sin(x / 3.0 * kPi)) * 2.0 / 3.0;
  r += (150.0 * std::sin(x / 12.0 * kPi) + 300.0 * std::sin(x / 30.0 * kPi)) * 2.0 / 3.0;
  return r;
}

// Solves forward(x) = target for x by fixed-point steps from `start`; the
// forward offsets vary slowly, so each step gains several digits.
template <typename Forward>
LonLat Invert(LonLat target, LonLat start, Forward forward) {
  LonLat x = start;
  for (int i = 0; i < kMaxInverseSteps; ++i) {
    const LonLat f = forward(x);
    const double dLon = target.lon - f.lon;
    const double dLat = target.lat - f.lat;
    x.lon += dLon;
    x.lat += dLat;
    if (std::fabs(dLon) < kInverseTolerance && std::fabs(dLat) < kInverseTolerance) break;
  }
  return x;
}

}  // namespace

bool OutOfChina(LonLat p) {
  return p.lon < 72.004 || p.lon > 137.8347 || p.lat < 0.8293 || p.lat > 55.8271;
}

LonLat WgsToGcj(LonLat wgs) {
  if (OutOfChina(wgs)) return wgs;
  double dLat = TransformLat(wgs.lon - 105.0, wgs.lat - 35.0);
  double dLon = TransformLon(wgs.lon - 105.0, wgs.lat - 35.0);
  const double radLat = wgs.lat / 180.0 * kPi;
  double magic = std::sin(radLat);
  magic = 1 - kEe * magic * magic;
  const double sqrtMagic = std::sqrt(magic);
  dLat = (dLat * 180.0) / ((kA * (1 - kEe)) / (magic * sqrtMagic) * kPi);
  dLon = (dLon * 180.0) / (kA / sqrtMagic * std::cos(radLat) * kPi);
  return {wgs.lon + dLon, wgs.lat + dLat};
}

LonLat GcjToWgs(LonLat gcj) {
  if (OutOfChina(gcj)) return gcj;
  return Invert(gcj, gcj, WgsToGcj);
}

LonLat GcjToBd(LonLat gcj) {
  const double x = gcj.lon;
  const double y = gcj.lat;
  const double z = std::sqrt(x * x + y * y) + 0.00002 * std::sin(y * kXPi);
  const double theta = std::atan2(y, x) + 0.000003 * std::cos(x * kXPi);
  return {z * std::cos(theta) + 0.0065, z * std::sin(theta) + 0.006};
}

LonLat BdToGcj(LonLat bd) {
  const double x = bd.lon - 0.0065;
  const double y = bd.lat - 0.006;
  const double z = std::sqrt(x * x + y * y) - 0.00002 * std::sin(y * kXPi);
  const double theta = std::atan2(y, x) - 0.000003 * std::cos(x * kXPi);
  // The published inverse is good to a few decimetres; refine it so that a
  // round trip lands on the same pixel at the deepest zoom.
  return Invert(bd, {z * std::cos(theta), z * std::sin(theta)}, GcjToBd);
}

LonLat ConvertDatum(LonLat p, Datum from, Datum to) {
  if (from == to) return p;
  // Go through GCJ-02, the datum both others are defined against.
  LonLat gcj = p;
  if (from == Datum::Wgs84) gcj = WgsToGcj(p);
  if (from == Datum::Bd09) gcj = BdToGcj(p);
  if (to == Datum::Wgs84) return GcjToWgs(gcj);
  if (to == Datum::Bd09) return GcjToBd(gcj);
  return gcj;
}

std::optional<Datum> ParseDatum(QStringView text) {
  const QStringView t = text.trimmed();
  if (t.compare(u"WGS84", Qt::CaseInsensitive) == 0) return Datum::Wgs84;
  if (t.compare(u"GCJ02", Qt::CaseInsensitive) == 0) return Datum::Gcj02;
  if (t.compare(u"BD09", Qt::CaseInsensitive) == 0) return Datum::Bd09;
  return std::nullopt;
}

double DistanceMetres(LonLat a, LonLat b) {
  constexpr double kEarthRadius = 6371008.8;
  const double la1 = a.lat * kPi / 180.0;
  const double la2 = b.lat * kPi / 180.0;
  const double dLat = la2 - la1;
  const double dLon = (b.lon - a.lon) * kPi / 180.0;
  const double h = std::sin(dLat / 2) * std::sin(dLat / 2) +
                   std::cos(la1) * std::cos(la2) * std::sin(dLon / 2) * std::sin(dLon / 2);
  return 2 * kEarthRadius * std::asin(std::min(1.0, std::sqrt(h)));
}

}  // namespace mapu
