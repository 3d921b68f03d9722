// The MAP_* calls in the order the program makes them, the follow rule,
// hostile arguments, and where converted positions land.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QWidget>

#include "map_test_support.h"
#include "platform/libmapu/input_datum.h"
#include "platform/libmapu/libmapu.h"
#include "platform/libmapu/map_view.h"
#include "platform/libmapu/mercator.h"

namespace {

using mapu::LonLat;

constexpr char16_t kLabel[] = u"<span class ='b'>speed:</span>100 km/h <marquee width=25></marquee>";

std::u16string Text(double degrees) { return QString::number(degrees, 'f', 6).toStdU16String(); }

// The calls the program makes for one position; returns UpdateVehicle's.
int32_t Position(int32_t map, int32_t track, MAPU_VEHICLE vehicle, LonLat p, int sector, bool first) {
  const std::u16string lon = Text(p.lon);
  const std::u16string lat = Text(p.lat);
  EXPECT_EQ(MAP_SetVehicleName(map, vehicle, u""), 0);
  EXPECT_EQ(MAP_SelectVehicle(map, vehicle), 0);
  const int32_t updated =
      MAP_UpdateVehicle(map, vehicle, lon.c_str(), lat.c_str(), sector, 0, u"100 km/h", u"", kLabel);
  if (first) {
    EXPECT_EQ(MAP_TKUpdateMarker(track, 1, u"", lon.c_str(), lat.c_str(), sector, 5, u"", kLabel, 1, u"100", u""),
              0);
  }
  EXPECT_EQ(MAP_TKPushPoint(track, lon.c_str(), lat.c_str()), 0);
  EXPECT_EQ(MAP_TKDrawPoint(track), 0);
  return updated;
}

struct OpenMap {
  QWidget host;
  int32_t map = 0;
  int32_t track = 0;
  mapu::MapView* view = nullptr;

  OpenMap(const QString& config, MAPU_VEHICLE vehicle) {
    host.resize(400, 300);
    const std::u16string path = config.toStdU16String();
    EXPECT_EQ(MAP_InitMap(MAPU_PROVIDER_GOOGLE, &host, 0, path.c_str(), u"", 0, u"default", 1, u"0,1,2", &map), 0);
    view = MapViewOf(map);
    EXPECT_NE(view, nullptr);
    EXPECT_EQ(MAP_IsLoadComplete(map), 0);
    EXPECT_EQ(MAP_InsertVehicle(map, vehicle), 0);
    EXPECT_EQ(MAP_SetVehicleName(map, vehicle, u"aa"), 0);
    EXPECT_EQ(MAP_SetVehiIcon(map, vehicle, 1), 0);
    EXPECT_NE(MAP_InsertVehicle(map, vehicle), 0);
    EXPECT_EQ(MAP_SetVehiIcon(map, vehicle, 1), 0);
    EXPECT_EQ(MAP_TKInsertTrack(map, &track), 0);
    EXPECT_NE(track, 0);
    EXPECT_EQ(MAP_TKInsertMarker(track, 1, 1), 0);
  }
};

bool InMiddle(const mapu::MapView& view, LonLat p) {
  const QPointF at = view.viewPointOf(p);
  return at.x() > view.width() * 0.2 && at.x() < view.width() * 0.8 && at.y() > view.height() * 0.2 &&
         at.y() < view.height() * 0.8;
}

TEST(MapCalls, ProgramSequenceFollowHostileTextsAndDatums) {
  mapu::ClearConversionMark();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  ASSERT_EQ(MAP_Initialize(), 0);
  ASSERT_EQ(MAP_InitLangague(u"english"), 0);
  ASSERT_EQ(MAP_LoadSkin(0), 0);
  const QString noNetwork = mapu_test::WriteConfig(dir.path(), "[MAPTILES]\nGOOGLE_URL=\n");
  int record[3] = {1, 0, 0};
  const auto vehicle = reinterpret_cast<MAPU_VEHICLE>(record);
  OpenMap m(noNetwork, vehicle);
  m.host.show();
  qint64 now = 0;
  m.view->setClock([&now] { return now; });

  // A drive north-east: the first position centres the map at zoom 15.
  const LonLat start{113.912345, 22.543210};
  for (int i = 0; i < 5; ++i) {
    const LonLat p{start.lon + i * 0.0001, start.lat + i * 0.0001};
    ASSERT_EQ(Position(m.map, m.track, vehicle, p, i, i == 0), 0);
    EXPECT_EQ(m.view->vehicleSector(vehicle), i);
    EXPECT_LT(mapu::DistanceMetres(*m.view->vehicleLonLat(vehicle), p), 0.2);
  }
  EXPECT_EQ(m.view->zoom(), mapu::MapView::kFirstFixZoom);
  EXPECT_EQ(m.view->trackPointCount(), 5u);
  EXPECT_TRUE(InMiddle(*m.view, start));

  // Far from the middle the map follows, unless the user just zoomed.
  const LonLat far{start.lon + 0.01, start.lat};
  QWheelEvent wheel(QPointF(200, 150), m.view->mapToGlobal(QPointF(200, 150)), {}, QPoint(0, 120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(m.view, &wheel);
  EXPECT_EQ(m.view->zoom(), 16);
  ASSERT_EQ(Position(m.map, m.track, vehicle, far, 2, false), 0);
  EXPECT_FALSE(InMiddle(*m.view, far));
  now += mapu::MapView::kFollowHoldMs;
  ASSERT_EQ(Position(m.map, m.track, vehicle, far, 2, false), 0);
  EXPECT_TRUE(InMiddle(*m.view, far));

  // Hostile texts and handles change nothing.
  const LonLat before = *m.view->vehicleLonLat(vehicle);
  char16_t unterminated[64];
  std::fill(std::begin(unterminated), std::end(unterminated), u'1');
  unterminated[63] = 0;
  const char16_t* badTexts[] = {u"abc", u"1e2", u"nan", u"inf", u"", u"--1", u"1.2.3", u"180.000001", u"0x10",
                                unterminated, nullptr};
  for (const char16_t* bad : badTexts) {
    EXPECT_NE(MAP_UpdateVehicle(m.map, vehicle, bad, u"22.5", 0, 0, u"", u"", kLabel), 0);
    EXPECT_NE(MAP_TKPushPoint(m.track, u"113.9", bad), 0);
  }
  EXPECT_NE(MAP_UpdateVehicle(m.map, vehicle, u"113.9", u"-90.5", 0, 0, u"", u"", kLabel), 0);
  EXPECT_NE(MAP_UpdateVehicle(m.map, vehicle, u"113.9", u"22.5", 8, 0, u"", u"", kLabel), 0);
  EXPECT_NE(MAP_UpdateVehicle(m.map, 12345, u"113.9", u"22.5", 0, 0, u"", u"", kLabel), 0);
  EXPECT_NE(MAP_UpdateVehicle(0, vehicle, u"113.9", u"22.5", 0, 0, u"", u"", kLabel), 0);
  EXPECT_NE(MAP_InsertVehicle(m.track, vehicle), 0);
  EXPECT_NE(MAP_TKPushPoint(m.map, u"113.9", u"22.5"), 0);
  EXPECT_NE(MAP_TKUpdateMarker(m.track, 2, u"", u"113.9", u"22.5", 0, 5, u"", u"", 1, u"", u""), 0);
  EXPECT_NE(MAP_SetVehiIcon(m.map, vehicle, -1), 0);
  EXPECT_NE(MAP_InitLangague(u"klingon"), 0);
  int32_t none = -1;
  EXPECT_NE(MAP_InitMap(MAPU_PROVIDER_GOOGLE, record, 0, u"", u"", 0, u"default", 1, u"0,1,2", &none), 0);
  EXPECT_EQ(none, 0);
  EXPECT_NE(MAP_InitMap(1, &m.host, 0, u"", u"", 0, u"default", 1, u"0,1,2", &none), 0);
  EXPECT_NE(MAP_IsLoadComplete(0), 0);
  EXPECT_EQ(m.view->vehicleLonLat(vehicle)->lon, before.lon);
  EXPECT_EQ(m.view->trackPointCount(), 7u);

  // Stop: nothing of the vehicle or the track is drawn any more.
  EXPECT_EQ(MAP_DeleteVehicle(m.map, vehicle), 0);
  EXPECT_NE(MAP_DeleteVehicle(m.map, vehicle), 0);
  EXPECT_EQ(MAP_TKDeleteMarker(m.track, 1), 0);
  EXPECT_EQ(MAP_TKDeleteTrack(m.track), 0);
  EXPECT_NE(MAP_TKDeleteTrack(m.track), 0);
  EXPECT_NE(MAP_TKPushPoint(m.track, u"113.9", u"22.5"), 0);
  EXPECT_FALSE(m.view->hasVehicle(vehicle));
  EXPECT_EQ(m.view->trackPointCount(), 0u);
  EXPECT_EQ(mapu_test::ColourCount(m.view->grab().toImage(), mapu::kTrackColour, 40), 0);

  // Converted positions land where the raw WGS-84 one does on WGS-84
  // tiles; raw ones land shifted on GCJ-02 tiles.
  const QString gcjTiles =
      mapu_test::WriteConfig(dir.path(), "[MAPTILES]\nGOOGLE_URL=\nGOOGLE_DATUM=GCJ02\n");
  int other[3] = {1, 0, 0};
  const auto vehicle2 = reinterpret_cast<MAPU_VEHICLE>(other);
  OpenMap g(gcjTiles, vehicle2);
  ASSERT_EQ(g.view->tileDatum(), mapu::Datum::Gcj02);
  const LonLat raw{114.057868, 22.543099};
  int32_t track2 = 0;
  ASSERT_EQ(MAP_TKInsertTrack(m.map, &track2), 0);
  ASSERT_EQ(MAP_InsertVehicle(m.map, vehicle), 0);
  for (int mode : {MAPU_CONVERT_GCJ02, MAPU_CONVERT_BD09}) {
    SCOPED_TRACE(mode);
    ASSERT_EQ(Position(m.map, track2, vehicle, raw, 0, false), 0);
    const LonLat rawLanded = *m.view->vehicleLonLat(vehicle);
    LonLat converted{};
    ASSERT_EQ(MAP_ConvertGps(0, raw.lon, raw.lat, mode, &converted.lon, &converted.lat), 0);
    ASSERT_EQ(Position(m.map, track2, vehicle, converted, 0, false), 0);
    const LonLat convertedLanded = *m.view->vehicleLonLat(vehicle);
    EXPECT_LT(QLineF(m.view->viewPointOf(rawLanded), m.view->viewPointOf(convertedLanded)).length(), 1.0);
    EXPECT_GT(mapu::DistanceMetres(converted, raw), 100.0);
  }
  ASSERT_EQ(Position(g.map, g.track, vehicle2, raw, 0, false), 0);
  EXPECT_LT(mapu::DistanceMetres(*g.view->vehicleLonLat(vehicle2), mapu::WgsToGcj(raw)), 0.2);
  EXPECT_EQ(g.view->trackPointCount(), 1u);
}

}  // namespace
