#pragma once

// Tiles from an XYZ tile server, through a disk cache so that tiles seen
// once show without the network. Only tiles the view says it lacks are
// fetched, at most kMaxInFlight at a time; a tile that could not be had is
// not asked for again for kRetryAfterMs. Window thread only; replies that
// finish after the source is gone are dropped with it (they are children of
// its network manager).

#include <QElapsedTimer>
#include <QHash>
#include <QNetworkRequest>
#include <QSet>
#include <QString>

#include "platform/libmapu/tile_source.h"

class QNetworkAccessManager;
class QNetworkReply;

namespace mapu {

class NetworkTileSource final : public TileSource {
  Q_OBJECT

 public:
  static constexpr int kMaxInFlight = 6;
  static constexpr qint64 kRetryAfterMs = 60'000;
  static constexpr qint64 kDiskCacheBytes = qint64{256} << 20;
  static constexpr int kTransferTimeoutMs = 15'000;

  // `urlTemplate` must pass IsValidTileUrl. `cacheFolder` empty: no disk
  // cache.
  NetworkTileSource(const QString& urlTemplate, const QString& cacheFolder, QObject* parent);

  QImage tile(const TileKey& key) override;
  void want(const QList<TileKey>& missing) override;

  // $XDG_CACHE_HOME/corvane/map-tiles, or ~/.cache/corvane/map-tiles when
  // that is unset or relative; empty when there is no home either.
  static QString DefaultCacheFolder();
  static QByteArray UserAgent();

 private:
  QUrl urlOf(const TileKey& key) const;
  void pump();
  void start(const TileKey& key, QNetworkRequest::CacheLoadControl control);
  void finished(QNetworkReply* reply, const TileKey& key, bool fromCacheOnly);
  void markFailed(const TileKey& key);
  bool recentlyFailed(const TileKey& key);

  QString urlTemplate_;
  QNetworkAccessManager* network_;  // child
  QList<TileKey> queue_;            // wanted, not yet requested
  QSet<quint64> inFlight_;
  QHash<quint64, qint64> failedAt_;  // key -> clock_ milliseconds
  QElapsedTimer clock_;
};

}  // namespace mapu
