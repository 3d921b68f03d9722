#include "platform/libmapu/mbtiles_tile_source.h"

#include <atomic>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QtDebug>

#include "platform/libmapu/mercator.h"
#include "platform/libmapu/tile_image.h"

namespace mapu {
namespace {

QString NewConnectionName() {
  static std::atomic<int> serial{0};
  return QStringLiteral("mapu-mbtiles-%1").arg(serial.fetch_add(1) + 1);
}

}  // namespace

MbtilesTileSource::MbtilesTileSource(const QString& path, QObject* parent)
    : TileSource(parent), connection_(NewConnectionName()) {
  if (!QFileInfo(path).isFile() || !QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) {
    qWarning("mapu: offline tiles %s: no such file or no SQLite driver", qUtf8Printable(path));
    return;
  }
  database_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
  database_.setDatabaseName(path);
  database_.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
  if (!database_.open()) {
    qWarning("mapu: offline tiles %s: %s", qUtf8Printable(path), qUtf8Printable(database_.lastError().text()));
    return;
  }
  QSqlQuery probe(database_);
  open_ = probe.exec(QStringLiteral("SELECT 1 FROM tiles LIMIT 1"));
  if (!open_) qWarning("mapu: offline tiles %s: not an MBTiles file", qUtf8Printable(path));
}

MbtilesTileSource::~MbtilesTileSource() {
  database_.close();
  database_ = QSqlDatabase();
  if (QSqlDatabase::contains(connection_)) QSqlDatabase::removeDatabase(connection_);
}

QImage MbtilesTileSource::tile(const TileKey& key) {
  if (!open_ || !key.valid()) return {};
  if (std::optional<QImage> known = recalled(key)) return *known;
  if (!TakeRead()) return {};
  QSqlQuery query(database_);
  query.setForwardOnly(true);
  // The size guard keeps an oversized blob from being loaded at all.
  query.prepare(QStringLiteral(
      "SELECT tile_data FROM tiles WHERE zoom_level = ? AND tile_column = ? AND tile_row = ?"
      " AND length(tile_data) <= ? LIMIT 1"));
  query.addBindValue(key.zoom);
  query.addBindValue(key.x);
  query.addBindValue(TilesPerSide(key.zoom) - 1 - key.y);
  query.addBindValue(kMaxTileBytes);
  QImage image;
  if (query.exec() && query.next()) image = DecodeTileImage(query.value(0).toByteArray());
  remember(key, image);
  return image;
}

}  // namespace mapu
