#include "platform/libmapu/map_view.h"

#include <algorithm>
#include <cmath>
#include <QElapsedTimer>
#include <QEvent>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>
#include <QWheelEvent>

#include "platform/libmapu/folder_tile_source.h"
#include "platform/libmapu/graticule.h"
#include "platform/libmapu/mbtiles_tile_source.h"
#include "platform/libmapu/mercator.h"
#include "platform/libmapu/network_tile_source.h"
#include "platform/libmapu/viewport.h"

namespace mapu {
namespace {

// Before any position: most of Asia, where recordings usually come from.
constexpr LonLat kStartCentre{110.0, 30.0};
constexpr int kStartZoom = 4;
// The vehicle is kept within this fraction of the view around its middle.
constexpr double kFollowMargin = 0.2;
constexpr int kWheelStep = 120;  // eighths of a degree per zoom level

std::unique_ptr<TileSource> MakeSource(const TileConfig& config) {
  if (!config.offlinePath.isEmpty()) {
    const QFileInfo info(config.offlinePath);
    if (info.isDir()) return std::make_unique<FolderTileSource>(config.offlinePath, nullptr);
    return std::make_unique<MbtilesTileSource>(config.offlinePath, nullptr);
  }
  if (config.urlTemplate.isEmpty() || !IsValidTileUrl(config.urlTemplate)) return nullptr;
  return std::make_unique<NetworkTileSource>(config.urlTemplate, NetworkTileSource::DefaultCacheFolder(), nullptr);
}

// OpenStreetMap's tiles may only be shown with their credit.
QString AttributionFor(const TileConfig& config, const QString& language) {
  if (!config.offlinePath.isEmpty()) return {};
  const QString host = QUrl(QString(config.urlTemplate).replace(u'{', u'_').replace(u'}', u'_')).host();
  if (!host.endsWith(QLatin1String("openstreetmap.org"))) return {};
  if (language == QLatin1String("chinese")) return QStringLiteral("© OpenStreetMap 贡献者");
  if (language == QLatin1String("chinese traditional")) return QStringLiteral("© OpenStreetMap 貢獻者");
  return QStringLiteral("© OpenStreetMap contributors");
}

}  // namespace

MapView::MapView(QWidget* host, const TileConfig& config, const QString& language)
    : QWidget(host),
      host_(host),
      source_(MakeSource(config)),
      tileDatum_(config.datum),
      attribution_(AttributionFor(config, language)),
      centre_(ToWorld(kStartCentre)),
      zoom_(kStartZoom) {
  setObjectName(QStringLiteral("mapu_view"));
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(false);
  auto elapsed = std::make_shared<QElapsedTimer>();
  elapsed->start();
  clock_ = [elapsed] { return elapsed->elapsed(); };
  if (source_) connect(source_.get(), &TileSource::tileArrived, this, qOverload<>(&QWidget::update));
  host_->installEventFilter(this);
  setGeometry(host_->rect());
  show();
}

MapView::~MapView() = default;

void MapView::setClock(Clock clock) {
  if (clock) clock_ = std::move(clock);
}

void MapView::showPosition(LonLat centre, int zoom) {
  centre_ = ToWorld(centre);
  zoom_ = std::clamp(zoom, kMinZoom, kMaxZoom);
  update();
}

Viewport MapView::viewport() const { return Viewport(centre_, zoom_, size()); }

QPointF MapView::viewPointOf(LonLat position) const { return viewport().toView(ToWorld(position)); }

bool MapView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == host_ && event->type() == QEvent::Resize) setGeometry(host_->rect());
  return QWidget::eventFilter(watched, event);
}

// ---- vehicles ----

bool MapView::insertVehicle(intptr_t id) {
  if (vehicles_.contains(id) || vehicles_.size() >= kMaxVehicles) return false;
  vehicles_[id];
  return true;
}

bool MapView::removeVehicle(intptr_t id) {
  if (vehicles_.erase(id) == 0) return false;
  if (selected_ == id) selected_.reset();
  update();
  return true;
}

bool MapView::setVehicleName(intptr_t id, const QString& name) {
  const auto it = vehicles_.find(id);
  if (it == vehicles_.end()) return false;
  if (it->second.name != name) {
    it->second.name = name;
    update();
  }
  return true;
}

bool MapView::setVehicleIcon(intptr_t id, int icon) {
  const auto it = vehicles_.find(id);
  if (it == vehicles_.end()) return false;
  it->second.icon = icon;
  update();
  return true;
}

bool MapView::selectVehicle(intptr_t id) {
  if (!vehicles_.contains(id)) return false;
  selected_ = id;
  return true;
}

bool MapView::moveVehicle(intptr_t id, LonLat position, int sector, const QString& labelHtml) {
  const auto it = vehicles_.find(id);
  if (it == vehicles_.end()) return false;
  Vehicle& vehicle = it->second;
  const bool firstFix = !vehicle.placed;
  vehicle.placed = true;
  vehicle.position = position;
  vehicle.world = ToWorld(position);
  vehicle.sector = sector;
  if (!vehicle.label || vehicle.label->property("mapu_html").toString() != labelHtml) {
    vehicle.label = MakeLabelDocument(labelHtml);
    vehicle.label->setProperty("mapu_html", labelHtml);
  }
  if (!selected_ || *selected_ == id) follow(vehicle.world, firstFix);
  update();
  return true;
}

void MapView::follow(QPointF world, bool firstFix) {
  if (firstFix) {
    centre_ = world;
    zoom_ = kFirstFixZoom;
    return;
  }
  if (lastUserMove_ && clock_() - *lastUserMove_ < kFollowHoldMs) return;
  const QPointF p = viewport().toView(world);
  const double w = width();
  const double h = height();
  if (p.x() < w * kFollowMargin || p.x() > w * (1 - kFollowMargin) || p.y() < h * kFollowMargin ||
      p.y() > h * (1 - kFollowMargin)) {
    centre_ = world;
  }
}

bool MapView::hasVehicle(intptr_t id) const { return vehicles_.contains(id); }

std::optional<LonLat> MapView::vehicleLonLat(intptr_t id) const {
  const auto it = vehicles_.find(id);
  if (it == vehicles_.end() || !it->second.placed) return std::nullopt;
  return it->second.position;
}

int MapView::vehicleSector(intptr_t id) const {
  const auto it = vehicles_.find(id);
  return it == vehicles_.end() ? -1 : it->second.sector;
}

// ---- tracks ----

Track* MapView::findTrack(int32_t track) {
  const auto it = tracks_.find(track);
  return it == tracks_.end() ? nullptr : &it->second;
}

bool MapView::insertTrack(int32_t track) {
  if (tracks_.contains(track) || tracks_.size() >= kMaxTracks) return false;
  tracks_[track];
  return true;
}

bool MapView::removeTrack(int32_t track) {
  if (tracks_.erase(track) == 0) return false;
  update();
  return true;
}

bool MapView::hasTrack(int32_t track) const { return tracks_.contains(track); }

bool MapView::insertMarker(int32_t track, int32_t marker, int style) {
  Track* t = findTrack(track);
  if (t == nullptr || t->markers.contains(marker) || t->markers.size() >= kMaxMarkersPerTrack) return false;
  t->markers[marker].style = style;
  return true;
}

bool MapView::placeMarker(int32_t track, int32_t marker, LonLat position) {
  Track* t = findTrack(track);
  if (t == nullptr) return false;
  const auto it = t->markers.find(marker);
  if (it == t->markers.end()) return false;
  it->second.placed = true;
  it->second.world = ToWorld(position);
  update();
  return true;
}

bool MapView::removeMarker(int32_t track, int32_t marker) {
  Track* t = findTrack(track);
  if (t == nullptr || t->markers.erase(marker) == 0) return false;
  update();
  return true;
}

bool MapView::pushPoint(int32_t track, LonLat position) {
  Track* t = findTrack(track);
  if (t == nullptr || t->points.size() >= kMaxTrackPoints) return false;
  t->points.push_back(ToWorld(position));
  return true;
}

size_t MapView::trackPointCount() const {
  size_t count = 0;
  for (const auto& [handle, track] : tracks_) count += track.points.size();
  return count;
}

// ---- painting ----

void MapView::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  const Viewport view = viewport();
  PaintGraticule(painter, view);
  paintTiles(painter, view);
  for (const auto& [handle, track] : tracks_) PaintTrack(painter, view, track);
  for (const auto& [handle, track] : tracks_) PaintMarkers(painter, view, track);
  for (const auto& [id, vehicle] : vehicles_) {
    if (id != selected_) PaintVehicle(painter, view, vehicle, false);
  }
  if (selected_) {
    const auto it = vehicles_.find(*selected_);
    if (it != vehicles_.end()) PaintVehicle(painter, view, it->second, true);
  }
  paintAttribution(painter);
}

void MapView::paintTiles(QPainter& painter, const Viewport& view) {
  tilesDrawn_ = 0;
  if (!source_) return;
  QList<TileKey> missing;
  for (const PlacedTile& placed : view.tiles()) {
    const QImage image = source_->tile(placed.key);
    if (image.isNull()) {
      missing.append(placed.key);
      continue;
    }
    painter.drawImage(QRectF(placed.topLeft, QSizeF(kTileSize, kTileSize)), image);
    ++tilesDrawn_;
  }
  source_->PaintFinished(missing);
}

void MapView::paintAttribution(QPainter& painter) {
  if (attribution_.isEmpty()) return;
  QFont font = painter.font();
  font.setPixelSize(10);
  painter.setFont(font);
  const QFontMetrics metrics(font);
  const QRect text = metrics.boundingRect(attribution_).adjusted(-3, -1, 3, 1);
  const QRect box(width() - text.width(), height() - text.height(), text.width(), text.height());
  painter.fillRect(box, QColor(255, 255, 255, 190));
  painter.setPen(QColor(60, 60, 60));
  painter.drawText(box, Qt::AlignCenter, attribution_);
}

// ---- user input ----

void MapView::userMovedMap() { lastUserMove_ = clock_(); }

void MapView::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    dragFrom_ = event->position();
    userMovedMap();
  }
}

void MapView::mouseMoveEvent(QMouseEvent* event) {
  if (!dragFrom_) return;
  const QPointF delta = event->position() - *dragFrom_;
  dragFrom_ = event->position();
  centre_ -= delta / WorldPixels(zoom_);
  centre_.setX(centre_.x() - std::floor(centre_.x()));
  centre_.setY(std::clamp(centre_.y(), 0.0, 1.0));
  userMovedMap();
  update();
}

void MapView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) dragFrom_.reset();
}

void MapView::wheelEvent(QWheelEvent* event) {
  wheelRemainder_ += event->angleDelta().y();
  const int steps = wheelRemainder_ / kWheelStep;
  wheelRemainder_ -= steps * kWheelStep;
  const int zoom = std::clamp(zoom_ + steps, kMinZoom, kMaxZoom);
  userMovedMap();
  event->accept();
  if (zoom == zoom_) return;
  // The place under the cursor stays under it.
  const QPointF cursor = event->position();
  const QPointF anchor = viewport().toWorld(cursor);
  zoom_ = zoom;
  centre_ = anchor - (cursor - QPointF(width() / 2.0, height() / 2.0)) / WorldPixels(zoom_);
  centre_.setY(std::clamp(centre_.y(), 0.0, 1.0));
  update();
}

}  // namespace mapu
