#include "platform/libmapu/network_tile_source.h"

#include <QDir>
#include <QNetworkAccessManager>
#include <QNetworkDiskCache>
#include <QNetworkReply>

#include "platform/libmapu/tile_image.h"

namespace mapu {
namespace {

// Failures remembered at most; beyond, the oldest knowledge is dropped.
constexpr qsizetype kMaxFailuresKept = 4096;
constexpr int kMaxRedirects = 3;

}  // namespace

NetworkTileSource::NetworkTileSource(const QString& urlTemplate, const QString& cacheFolder, QObject* parent)
    : TileSource(parent), urlTemplate_(urlTemplate), network_(new QNetworkAccessManager(this)) {
  clock_.start();
  if (!cacheFolder.isEmpty() && QDir().mkpath(cacheFolder)) {
    auto* cache = new QNetworkDiskCache(network_);
    cache->setCacheDirectory(cacheFolder);
    cache->setMaximumCacheSize(kDiskCacheBytes);
    network_->setCache(cache);
  }
}

QString NetworkTileSource::DefaultCacheFolder() {
  QString base = qEnvironmentVariable("XDG_CACHE_HOME");
  if (base.isEmpty() || QDir::isRelativePath(base)) {
    const QString home = qEnvironmentVariable("HOME", QDir::homePath());
    if (home.isEmpty()) return {};
    base = home + QStringLiteral("/.cache");
  }
  return base + QStringLiteral("/corvane/map-tiles");
}

QByteArray NetworkTileSource::UserAgent() {
  return QByteArrayLiteral("CorvanePlayer/" MAPU_VERSION " (vehicle recorder review; offline tile cache)");
}

QImage NetworkTileSource::tile(const TileKey& key) {
  if (!key.valid()) return {};
  return recalled(key).value_or(QImage());
}

void NetworkTileSource::want(const QList<TileKey>& missing) {
  queue_.clear();
  for (const TileKey& key : missing) {
    if (key.valid() && !inFlight_.contains(key.packed()) && !recentlyFailed(key)) queue_.append(key);
  }
  pump();
}

QUrl NetworkTileSource::urlOf(const TileKey& key) const {
  QString url = urlTemplate_;
  url.replace(QStringLiteral("{z}"), QString::number(key.zoom));
  url.replace(QStringLiteral("{x}"), QString::number(key.x));
  url.replace(QStringLiteral("{y}"), QString::number(key.y));
  return QUrl(url);
}

void NetworkTileSource::pump() {
  while (inFlight_.size() < kMaxInFlight && !queue_.isEmpty()) {
    start(queue_.takeFirst(), QNetworkRequest::PreferCache);
  }
}

void NetworkTileSource::start(const TileKey& key, QNetworkRequest::CacheLoadControl control) {
  QNetworkRequest request(urlOf(key));
  request.setHeader(QNetworkRequest::UserAgentHeader, UserAgent());
  request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, control);
  request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, true);
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
  request.setMaximumRedirectsAllowed(kMaxRedirects);
  request.setTransferTimeout(kTransferTimeoutMs);
  QNetworkReply* reply = network_->get(request);
  inFlight_.insert(key.packed());
  const bool fromCacheOnly = control == QNetworkRequest::AlwaysCache;
  // A body larger than any tile is cut off instead of being buffered.
  connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64 total) {
    if (received > kMaxTileBytes || total > kMaxTileBytes) {
      reply->setProperty("mapu_oversize", true);
      reply->abort();
    }
  });
  connect(reply, &QNetworkReply::finished, this,
          [this, reply, key, fromCacheOnly] { finished(reply, key, fromCacheOnly); });
}

void NetworkTileSource::finished(QNetworkReply* reply, const TileKey& key, bool fromCacheOnly) {
  reply->deleteLater();
  inFlight_.remove(key.packed());
  const bool oversize = reply->property("mapu_oversize").toBool();
  if (reply->error() == QNetworkReply::NoError && !oversize) {
    const QImage image = DecodeTileImage(reply->read(kMaxTileBytes + 1));
    if (image.isNull()) {
      markFailed(key);
    } else {
      remember(key, image);
      emit tileArrived();
    }
  } else if (!fromCacheOnly && !oversize) {
    // Offline or the server is down: a copy seen before still serves.
    start(key, QNetworkRequest::AlwaysCache);
  } else {
    markFailed(key);
  }
  pump();
}

void NetworkTileSource::markFailed(const TileKey& key) {
  if (failedAt_.size() >= kMaxFailuresKept) {
    const qint64 now = clock_.elapsed();
    failedAt_.removeIf([now](const auto& entry) { return now - entry.value() >= kRetryAfterMs; });
    if (failedAt_.size() >= kMaxFailuresKept) failedAt_.clear();
  }
  failedAt_.insert(key.packed(), clock_.elapsed());
}

bool NetworkTileSource::recentlyFailed(const TileKey& key) {
  const auto it = failedAt_.constFind(key.packed());
  if (it == failedAt_.constEnd()) return false;
  if (clock_.elapsed() - it.value() < kRetryAfterMs) return true;
  failedAt_.erase(it);
  return false;
}

}  // namespace mapu
