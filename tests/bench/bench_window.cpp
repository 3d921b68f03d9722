#include "bench_window.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSettings>

#include <cmath>
#include <numbers>

namespace {

constexpr int kTileZoom = 15;
constexpr int kTileRadius = 5;

// 256-pixel street-map-like tiles, {z}/{x}/{y}.png, `radius` tiles round a
// point: about what a street tile costs to decode and draw.
bool WriteTiles(const QString& folder, double latitude, double longitude, int zoom, int radius) {
  const double n = std::ldexp(1.0, zoom);
  const double phi = latitude * std::numbers::pi / 180;
  const int cx = static_cast<int>((longitude + 180) / 360 * n);
  const int cy = static_cast<int>((1 - std::asinh(std::tan(phi)) / std::numbers::pi) / 2 * n);
  for (int x = cx - radius; x <= cx + radius; ++x) {
    for (int y = cy - radius; y <= cy + radius; ++y) {
      QImage tile(256, 256, QImage::Format_RGB32);
      tile.fill(QColor(242, 239, 233));
      QPainter painter(&tile);
      painter.setRenderHint(QPainter::Antialiasing);
      painter.setPen(QPen(Qt::white, 9));
      for (int k = 16; k < 256; k += 48) {
        painter.drawLine(k + (x % 7), 0, k + (y % 5), 256);
        painter.drawLine(0, k + (y % 7), 256, k + (x % 5));
      }
      painter.setPen(Qt::darkGray);
      painter.drawText(20, 40, QString("%1/%2/%3").arg(zoom).arg(x).arg(y));
      painter.end();
      const QString dir = QString("%1/%2/%3").arg(folder).arg(zoom).arg(x);
      if (!QDir().mkpath(dir) || !tile.save(QString("%1/%2.png").arg(dir).arg(y))) return false;
    }
  }
  return true;
}

}  // namespace

BenchWindow::BenchWindow(QSize size) {
  const QString tiles = dir_.path() + "/tiles";
  if (!dir_.isValid() || !WriteTiles(tiles, kRouteLatitude, kRouteLongitude, kTileZoom, kTileRadius)) return;
  const SettingsPaths paths{dir_.path() + "/config.ini", dir_.path() + "/legacy.ini"};
  {
    QSettings ini(paths.file, QSettings::IniFormat);
    ini.setValue("LANGUAGE/LAN_SELECT", "3");
    ini.setValue("MAPTILES/OFFLINE", tiles);
  }
  file_ = std::make_unique<SettingsFile>(paths);
  settings_.programDir = dir_.path();
  file_->LoadSettings(settings_);
  window_ = std::make_unique<CCorvaneDlg>(settings_, *file_, table_, 0);
  window_->setGeometry(QRect(QPoint(0, 0), size));
  window_->show();
}
