// Tiles end to end: from a server on 127.0.0.1, from the disk cache once
// the server is gone, from offline sources without the network, and none at
// all (a closed port), where the graticule and the track still show.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <memory>

#include "map_test_support.h"
#include "platform/libmapu/graticule.h"
#include "platform/libmapu/libmapu.h"
#include "platform/libmapu/map_overlay.h"
#include "platform/libmapu/map_view.h"
#include "platform/libmapu/mercator.h"

namespace {

using mapu::LonLat;

const QColor kServedColour(0, 120, 255);
const QColor kOfflineColour(250, 200, 0);
constexpr LonLat kPlace{113.912345, 22.543210};
constexpr int kWaitMs = 20'000;

struct Map {
  std::unique_ptr<QWidget> host = std::make_unique<QWidget>();
  int32_t map = 0;
  int32_t track = 0;
  int record[3] = {1, 0, 0};

  explicit Map(const QString& config) {
    host->resize(320, 240);
    host->show();
    const std::u16string path = config.toStdU16String();
    EXPECT_EQ(MAP_InitMap(MAPU_PROVIDER_BAIDU, host.get(), 0, path.c_str(), u"", 0, u"default", 1, u"0,1,2", &map), 0);
  }
  mapu::MapView* view() const { return MapViewOf(map); }

  // A vehicle driven east from kPlace through the MAP_* calls, which also
  // centres the map there at zoom 15.
  void drive() {
    const auto vehicle = reinterpret_cast<MAPU_VEHICLE>(record);
    ASSERT_EQ(MAP_InsertVehicle(map, vehicle), 0);
    ASSERT_EQ(MAP_TKInsertTrack(map, &track), 0);
    for (int i = 0; i < 3; ++i) {
      const std::u16string lon = QString::number(kPlace.lon + i * 0.0015, 'f', 6).toStdU16String();
      const std::u16string lat = QString::number(kPlace.lat - i * 0.0006, 'f', 6).toStdU16String();
      ASSERT_EQ(MAP_UpdateVehicle(map, vehicle, lon.c_str(), lat.c_str(), 2, 0, u"", u"", u"<b>60 km/h</b>"), 0);
      ASSERT_EQ(MAP_TKPushPoint(track, lon.c_str(), lat.c_str()), 0);
      ASSERT_EQ(MAP_TKDrawPoint(track), 0);
    }
  }

  bool shows(QColor colour) const { return mapu_test::ColourShare(view()->grab().toImage(), colour, 8) > 0.5; }
};

// The tiles of zoom 15 around kPlace: (column, XYZ row).
QList<QPoint> TilesAroundPlace() {
  const QPointF world = mapu::ToWorld(kPlace) * mapu::TilesPerSide(15);
  QList<QPoint> tiles;
  for (int dx = -2; dx <= 2; ++dx) {
    for (int dy = -2; dy <= 2; ++dy) tiles.append(QPoint(int(world.x()) + dx, int(world.y()) + dy));
  }
  return tiles;
}

QString WriteMbtiles(const QString& path) {
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("test-writer"));
    db.setDatabaseName(path);
    EXPECT_TRUE(db.open());
    QSqlQuery q(db);
    EXPECT_TRUE(q.exec("CREATE TABLE metadata (name TEXT, value TEXT)"));
    EXPECT_TRUE(
        q.exec("CREATE TABLE tiles (zoom_level INTEGER, tile_column INTEGER, tile_row INTEGER, "
               "tile_data BLOB)"));
    const QByteArray png = mapu_test::SolidPng(kOfflineColour);
    for (const QPoint& t : TilesAroundPlace()) {
      q.prepare("INSERT INTO tiles VALUES (15, ?, ?, ?)");
      q.addBindValue(t.x());
      q.addBindValue(mapu::TilesPerSide(15) - 1 - t.y());  // rows count from the south
      q.addBindValue(png);
      EXPECT_TRUE(q.exec());
    }
    db.close();
  }
  QSqlDatabase::removeDatabase(QStringLiteral("test-writer"));
  return QFileInfo(path).fileName();
}

QString WriteTileFolder(const QString& folder) {
  const QByteArray png = mapu_test::SolidPng(kOfflineColour);
  for (const QPoint& t : TilesAroundPlace()) {
    const QString dir = QStringLiteral("%1/15/%2").arg(folder).arg(t.x());
    QDir().mkpath(dir);
    QFile file(QStringLiteral("%1/%2.png").arg(dir).arg(t.y()));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(png);
  }
  return folder;
}

TEST(MapTiles, ServedCachedOfflineAndNone) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  qputenv("XDG_CACHE_HOME", dir.filePath("cache").toUtf8());
  mapu_test::TileServer server(kServedColour);
  ASSERT_NE(server.port(), 0);
  const QString served =
      QStringLiteral("[MAPTILES]\nBAIDU_URL=http://127.0.0.1:%1/{z}/{x}/{y}.png\n").arg(server.port());
  const QString config = mapu_test::WriteConfig(dir.path(), served);

  {
    Map m(config);
    m.drive();
    EXPECT_TRUE(QTest::qWaitFor([&] { return m.shows(kServedColour); }, kWaitMs));
    EXPECT_GT(m.view()->tilesDrawn(), 0);
    EXPECT_GT(server.requests(), 0);
    EXPECT_LE(server.requests(), 12);  // only the tiles of the view
  }
  EXPECT_TRUE(QDir(dir.filePath("cache/corvane/map-tiles")).exists());

  // Offline sources alone, though a server is named and answers.
  const int servedSoFar = server.requests();
  const QString offlineSources[] = {WriteMbtiles(dir.filePath("roads.mbtiles")),
                                    WriteTileFolder(dir.filePath("tiles"))};
  for (const QString& offline : offlineSources) {
    SCOPED_TRACE(offline.toStdString());
    Map m(mapu_test::WriteConfig(dir.path(), served + QStringLiteral("OFFLINE=%1\n").arg(offline)));
    m.host->resize(800, 600);  // a dozen tiles and more
    m.drive();
    // A paint reads a few tiles; the view fills over the next ones.
    m.view()->grab();
    EXPECT_GT(m.view()->tilesDrawn(), 0);
    EXPECT_LE(m.view()->tilesDrawn(), 4);
    EXPECT_TRUE(QTest::qWaitFor([&] { return m.shows(kOfflineColour) && m.view()->tilesDrawn() >= 12; }, kWaitMs));
  }
  EXPECT_EQ(server.requests(), servedSoFar);

  // The server is gone: the tiles seen once come from the disk cache.
  server.stop();
  {
    Map m(mapu_test::WriteConfig(dir.path(), served));
    m.drive();
    EXPECT_TRUE(QTest::qWaitFor([&] { return m.shows(kServedColour); }, kWaitMs));
  }

  // Nothing answers and nothing is cached: grid, track and vehicle, never blank.
  Map m(mapu_test::WriteConfig(
      dir.path(),
      QStringLiteral("[MAPTILES]\nBAIDU_URL=http://127.0.0.1:%1/{z}/{x}/{y}.png\n").arg(mapu_test::ClosedPort())));
  m.drive();
  const QImage shot = m.view()->grab().toImage();
  EXPECT_EQ(m.view()->tilesDrawn(), 0);
  EXPECT_GT(mapu_test::ColourCount(shot, mapu::kGraticuleLine, 0), 200);
  EXPECT_GT(mapu_test::ColourCount(shot, mapu::kTrackColour, 30), 60);
  EXPECT_GT(mapu_test::ColourShare(shot, mapu::kMapBackground, 0), 0.5);
}

}  // namespace
