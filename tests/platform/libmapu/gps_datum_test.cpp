// Datum conversions against published reference points, and their
// inverses by round trip.

#include <gtest/gtest.h>

#include "platform/libmapu/gps_datum.h"
#include "platform/libmapu/libmapu.h"

namespace {

using mapu::Datum;
using mapu::LonLat;

struct Reference {
  const char* place;
  Datum from;
  Datum to;
  LonLat in;
  LonLat out;
};

// Published pairs (the usual WGS-84/GCJ-02/BD-09 examples). The WGS-84 to
// BD-09 row chains two published results: the Beijing GCJ-02 point, then
// the GCJ-02 to BD-09 formula applied to it.
const Reference kReferences[] = {
    {"Beijing", Datum::Wgs84, Datum::Gcj02, {116.404, 39.915}, {116.41024449916938, 39.91640428150164}},
    {"Suzhou", Datum::Wgs84, Datum::Gcj02, {120.596931, 31.280844}, {120.60109998322247, 31.278648624428175}},
    {"Shenzhen", Datum::Gcj02, Datum::Wgs84, {114.1251447, 22.59414209}, {114.12004399199218, 22.59682824722656}},
    {"Dalian", Datum::Gcj02, Datum::Wgs84, {121.787113, 39.061111}, {121.78199886425783, 39.06008011621094}},
    {"Beijing", Datum::Gcj02, Datum::Bd09, {116.404, 39.915}, {116.41036949371029, 39.92133699351021}},
    {"Sydney", Datum::Wgs84, Datum::Gcj02, {151.2093, -33.8688}, {151.2093, -33.8688}},
};

// MAP_ConvertGps's mode for a conversion from WGS-84, 0 for none.
int ModeFor(const Reference& r) {
  if (r.from != Datum::Wgs84) return 0;
  return r.to == Datum::Gcj02 ? MAPU_CONVERT_GCJ02 : MAPU_CONVERT_BD09;
}

TEST(GpsDatum, ReferencePointsAndRoundTrips) {
  for (const Reference& r : kReferences) {
    SCOPED_TRACE(r.place);
    const LonLat converted = mapu::ConvertDatum(r.in, r.from, r.to);
    EXPECT_LT(mapu::DistanceMetres(converted, r.out), 1.0);
    if (const int mode = ModeFor(r)) {
      LonLat call{};
      ASSERT_EQ(MAP_ConvertGps(0, r.in.lon, r.in.lat, mode, &call.lon, &call.lat), 0);
      EXPECT_LT(mapu::DistanceMetres(call, r.out), 1.0);
    }
    // Every way back, from the reference output, lands within half a metre.
    for (Datum via : {Datum::Wgs84, Datum::Gcj02, Datum::Bd09}) {
      const LonLat there = mapu::ConvertDatum(r.out, r.to, via);
      EXPECT_LT(mapu::DistanceMetres(mapu::ConvertDatum(there, via, r.to), r.out), 0.5);
    }
  }
  // From WGS-84 to BD-09 through both published steps.
  LonLat bd{};
  ASSERT_EQ(MAP_ConvertGps(0, 116.404, 39.915, MAPU_CONVERT_BD09, &bd.lon, &bd.lat), 0);
  EXPECT_LT(mapu::DistanceMetres(bd, mapu::GcjToBd(kReferences[0].out)), 1.0);
  EXPECT_GT(mapu::DistanceMetres(bd, kReferences[0].out), 100.0);
  // Outside China GCJ-02 is WGS-84 exactly.
  EXPECT_TRUE(mapu::OutOfChina(kReferences[5].in));
  // Unknown modes and unusable inputs leave the outputs alone.
  double lon = 7;
  double lat = 8;
  EXPECT_NE(MAP_ConvertGps(0, 116.404, 39.915, 0, &lon, &lat), 0);
  EXPECT_NE(MAP_ConvertGps(0, 116.404, 39.915, 3, &lon, &lat), 0);
  EXPECT_NE(MAP_ConvertGps(0, std::nan(""), 39.915, 1, &lon, &lat), 0);
  EXPECT_NE(MAP_ConvertGps(0, 116.404, 95.0, 1, &lon, &lat), 0);
  EXPECT_NE(MAP_ConvertGps(0, 116.404, 39.915, 1, nullptr, &lat), 0);
  EXPECT_EQ(lon, 7);
  EXPECT_EQ(lat, 8);
  EXPECT_EQ(mapu::ParseDatum(u" gcj02 "), Datum::Gcj02);
  EXPECT_EQ(mapu::ParseDatum(u"NAD27"), std::nullopt);
}

}  // namespace
