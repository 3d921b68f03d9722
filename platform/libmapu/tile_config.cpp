#include "platform/libmapu/tile_config.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QUrl>
#include <QtDebug>

#include "platform/libmapu/libmapu.h"

namespace mapu {
namespace {

// QSettings turns a value with commas into a list; a URL may have them.
QString ReadText(const QSettings& settings, const QString& key, const QString& fallback) {
  const QVariant value = settings.value(key);
  if (!value.isValid()) return fallback;
  if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(u',');
  return value.toString();
}

}  // namespace

bool IsValidTileUrl(const QString& urlTemplate) {
  if (urlTemplate.size() > kMaxTileUrlChars) return false;
  for (const char* placeholder : {"{z}", "{x}", "{y}"}) {
    if (!urlTemplate.contains(QLatin1String(placeholder))) return false;
  }
  QString probe = urlTemplate;
  for (const char* placeholder : {"{z}", "{x}", "{y}"}) probe.replace(QLatin1String(placeholder), QLatin1String("1"));
  const QUrl url(probe, QUrl::StrictMode);
  const QString scheme = url.scheme().toLower();
  return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
         !url.host().isEmpty();
}

TileConfig ReadTileConfig(const QString& settingsFile, int provider) {
  TileConfig config;
  config.urlTemplate = QString::fromUtf16(kDefaultTileUrl);
  if (settingsFile.isEmpty()) return config;
  const QFileInfo info(settingsFile);
  if (!info.isFile() || info.size() > kMaxSettingsBytes) return config;

  const QSettings settings(settingsFile, QSettings::IniFormat);
  const QString prefix =
      provider == MAPU_PROVIDER_BAIDU ? QStringLiteral("MAPTILES/BAIDU_") : QStringLiteral("MAPTILES/GOOGLE_");
  const QString url = ReadText(settings, prefix + QStringLiteral("URL"), config.urlTemplate).trimmed();
  if (url.isEmpty() || IsValidTileUrl(url)) {
    config.urlTemplate = url;
  } else {
    // A server the user did not clearly name is not contacted.
    qWarning("mapu: tile URL in %s is not an http(s) template with {z} {x} {y}; no network tiles",
             qUtf8Printable(settingsFile));
    config.urlTemplate.clear();
  }
  const QString datum = ReadText(settings, prefix + QStringLiteral("DATUM"), QStringLiteral("WGS84"));
  config.datum = ParseDatum(datum).value_or(Datum::Wgs84);

  const QString offline = ReadText(settings, QStringLiteral("MAPTILES/OFFLINE"), {}).trimmed();
  if (!offline.isEmpty()) config.offlinePath = QDir(info.absolutePath()).absoluteFilePath(offline);
  return config;
}

}  // namespace mapu
