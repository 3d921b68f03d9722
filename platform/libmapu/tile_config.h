#pragma once

// The tile settings in the program's config.ini, group [MAPTILES]:
//   GOOGLE_URL, BAIDU_URL     XYZ template, http or https, with {z} {x} {y};
//                             empty: no network. Default: OpenStreetMap.
//   GOOGLE_DATUM, BAIDU_DATUM WGS84, GCJ02 or BD09 (others: WGS84).
//   OFFLINE                   an .mbtiles file or a {z}/{x}/{y}.png folder,
//                             relative paths from the config's folder; when
//                             set, tiles come from it only.
// The provider of MAP_InitMap picks GOOGLE_* (0) or BAIDU_* (3). Window
// thread (reads a file once at map creation).

#include <QString>

#include "platform/libmapu/gps_datum.h"

namespace mapu {

inline constexpr char16_t kDefaultTileUrl[] = u"https://tile.openstreetmap.org/{z}/{x}/{y}.png";
// A config.ini larger than this is not read (defaults apply).
constexpr qint64 kMaxSettingsBytes = 1 << 20;
constexpr int kMaxTileUrlChars = 2048;

struct TileConfig {
  QString urlTemplate;  // empty: no network
  Datum datum = Datum::Wgs84;
  QString offlinePath;  // empty: none; set: the only source
};

// `settingsFile` empty or unreadable: the defaults.
TileConfig ReadTileConfig(const QString& settingsFile, int provider);

// True for an http(s) template with all of {z} {x} {y} and a host.
bool IsValidTileUrl(const QString& urlTemplate);

}  // namespace mapu
