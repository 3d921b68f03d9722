#pragma once

// The map widget: tiles of one source over a graticule, with the tracks,
// markers and vehicles of the MAP_* calls drawn on top. It is a child that
// always fills its host widget. The user pans by dragging and zooms with
// the wheel around the cursor; a vehicle's first position centres the map
// on it at kFirstFixZoom, and later positions keep it in the middle 60 % of
// the view unless the user moved the map within the last kFollowHoldMs.
//
// Window thread only (the thread of the host widget), like every MAP_* call.
// Positions handed in are already in the tile datum (tileDatum()); the
// MAP_* layer converts them.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <QPointF>
#include <QWidget>

#include "platform/libmapu/map_overlay.h"
#include "platform/libmapu/tile_config.h"

namespace mapu {

class TileSource;
class Viewport;

class MapView final : public QWidget {
  Q_OBJECT

 public:
  // A monotonic clock in milliseconds.
  using Clock = std::function<qint64()>;

  static constexpr int kFirstFixZoom = 15;
  static constexpr qint64 kFollowHoldMs = 5000;
  static constexpr size_t kMaxVehicles = 64;
  static constexpr size_t kMaxTracks = 64;
  static constexpr size_t kMaxMarkersPerTrack = 16;
  // A track stops taking points here (about 11 days at one a second).
  static constexpr size_t kMaxTrackPoints = 1'000'000;

  // Becomes a child of `host` filling it. `language` is one of
  // "english", "chinese", "chinese traditional" (others: English).
  MapView(QWidget* host, const TileConfig& config, const QString& language);
  ~MapView() override;

  Datum tileDatum() const { return tileDatum_; }
  // Replaces the clock that times the follow hold (tests).
  void setClock(Clock clock);
  // Shows `centre` (tile datum) at `zoom` (clamped to kMinZoom..kMaxZoom).
  void showPosition(LonLat centre, int zoom);

  // Vehicles, named by the caller's opaque identifier. Each returns false
  // and changes nothing for an unknown vehicle (insert: a known one, or too
  // many).
  bool insertVehicle(intptr_t id);
  bool removeVehicle(intptr_t id);
  bool setVehicleName(intptr_t id, const QString& name);
  bool setVehicleIcon(intptr_t id, int icon);
  bool selectVehicle(intptr_t id);
  bool moveVehicle(intptr_t id, LonLat position, int sector, const QString& labelHtml);

  // Tracks, named by handles the MAP_* layer issues; same result rule.
  bool insertTrack(int32_t track);
  bool removeTrack(int32_t track);
  bool hasTrack(int32_t track) const;
  bool insertMarker(int32_t track, int32_t marker, int style);
  bool placeMarker(int32_t track, int32_t marker, LonLat position);
  bool removeMarker(int32_t track, int32_t marker);
  bool pushPoint(int32_t track, LonLat position);

  // For tests of the program and of the component.
  bool hasVehicle(intptr_t id) const;
  // The vehicle's last position in the tile datum; nullopt when it has none.
  std::optional<LonLat> vehicleLonLat(intptr_t id) const;
  // Its heading sector 0-7; -1 for an unknown vehicle.
  int vehicleSector(intptr_t id) const;
  // Points of all tracks.
  size_t trackPointCount() const;
  // Tiles drawn by the last paint.
  int tilesDrawn() const { return tilesDrawn_; }
  int zoom() const { return zoom_; }
  // Where `position` (tile datum) lies in the view, in pixels.
  QPointF viewPointOf(LonLat position) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  Viewport viewport() const;
  void paintTiles(QPainter& painter, const Viewport& viewport);
  void paintAttribution(QPainter& painter);
  void follow(QPointF world, bool firstFix);
  void userMovedMap();
  Track* findTrack(int32_t track);

  // Window thread only, all of them.
  QWidget* host_;
  std::unique_ptr<TileSource> source_;
  Datum tileDatum_ = Datum::Wgs84;
  QString attribution_;  // empty: none needed
  Clock clock_;
  QPointF centre_;  // normalised world coordinates
  int zoom_;
  std::optional<qint64> lastUserMove_;  // clock_ milliseconds
  std::optional<QPointF> dragFrom_;     // view pixels
  int wheelRemainder_ = 0;              // eighths of a degree
  std::map<intptr_t, Vehicle> vehicles_;
  std::optional<intptr_t> selected_;
  std::map<int32_t, Track> tracks_;
  int tilesDrawn_ = 0;
};

}  // namespace mapu

// The view behind a handle of MAP_InitMap; nullptr for an unknown handle or
// a map whose host is gone. Window thread; for the program's tests.
mapu::MapView* MapViewOf(int32_t map);
