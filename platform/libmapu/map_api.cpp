// The MAP_* calls: handle tables, argument checks and the datum of the
// positions handed in; the drawing is MapView's.

#include <cmath>
#include <QApplication>
#include <QPointer>
#include <QThread>

#include "platform/libmapu/call_text.h"
#include "platform/libmapu/handle_table.h"
#include "platform/libmapu/input_datum.h"
#include "platform/libmapu/libmapu.h"
#include "platform/libmapu/map_view.h"
#include "platform/libmapu/tile_config.h"

using mapu::LonLat;
using mapu::MapView;

namespace {

constexpr int32_t kOk = 0;
constexpr int32_t kFailed = 1;
constexpr int kSectors = 8;
constexpr int kIcons = 16;

// Window thread only, like every call that uses it.
struct ApiState {
  mapu::HandleTable<QPointer<MapView>> maps{0x100};
  mapu::HandleTable<int32_t> tracks{0x10000};  // track -> its map's handle
  QString language = QStringLiteral("english");
};

ApiState& State() {
  static ApiState state;
  return state;
}

bool OnWindowThread() {
  const QCoreApplication* app = QCoreApplication::instance();
  return app != nullptr && QThread::currentThread() == app->thread();
}

MapView* ViewOfMap(int32_t map) {
  if (!OnWindowThread()) return nullptr;
  QPointer<MapView>* view = State().maps.find(map);
  if (view == nullptr) return nullptr;
  if (view->isNull()) {
    // The host and the view with it are gone.
    State().maps.release(map);
    return nullptr;
  }
  return view->data();
}

MapView* ViewOfTrack(int32_t track) {
  if (!OnWindowThread()) return nullptr;
  const int32_t* map = State().tracks.find(track);
  if (map == nullptr) return nullptr;
  MapView* view = ViewOfMap(*map);
  return view != nullptr && view->hasTrack(track) ? view : nullptr;
}

// `host` is compared with the live widgets, never dereferenced unchecked.
QWidget* LiveWidget(void* host) {
  if (host == nullptr || qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return nullptr;
  const QWidgetList widgets = QApplication::allWidgets();
  for (QWidget* widget : widgets) {
    if (static_cast<void*>(widget) == host) return widget;
  }
  return nullptr;
}

LonLat ToTileDatum(const MapView& view, LonLat position) {
  return mapu::ConvertDatum(position, mapu::InputDatum(), view.tileDatum());
}

int32_t Result(bool ok) { return ok ? kOk : kFailed; }

}  // namespace

MapView* MapViewOf(int32_t map) { return ViewOfMap(map); }

extern "C" {

int32_t MAPU_CALL MAP_Initialize(void) { return Result(OnWindowThread()); }

int32_t MAPU_CALL MAP_InitLangague(const MAPU_CHAR* language) {
  if (!OnWindowThread()) return kFailed;
  const std::optional<QString> text = mapu::ReadCallText(language, mapu::kMaxNameChars);
  if (!text) return kFailed;
  const QString name = text->trimmed().toLower();
  if (name != QLatin1String("english") && name != QLatin1String("chinese") &&
      name != QLatin1String("chinese traditional")) return kFailed;
  State().language = name;
  return kOk;
}

int32_t MAPU_CALL MAP_LoadSkin(int32_t skin) { return Result(skin == 0); }

// The style and layer arguments name the one look this map has.
int32_t MAPU_CALL MAP_InitMap(int32_t provider, void* host, int32_t /*reserved*/, const MAPU_CHAR* settingsFile,
                              const MAPU_CHAR* /*reserved2*/, int32_t /*reserved3*/, const MAPU_CHAR* /*style*/,
                              int32_t /*reserved4*/, const MAPU_CHAR* /*layers*/, int32_t* map) {
  if (map == nullptr) return kFailed;
  *map = 0;
  if (!OnWindowThread() || (provider != MAPU_PROVIDER_GOOGLE && provider != MAPU_PROVIDER_BAIDU)) return kFailed;
  QWidget* hostWidget = LiveWidget(host);
  if (hostWidget == nullptr) return kFailed;
  const std::optional<QString> path =
      settingsFile == nullptr ? QString() : mapu::ReadCallText(settingsFile, mapu::kMaxPathChars);
  if (!path) return kFailed;
  auto* view = new MapView(hostWidget, mapu::ReadTileConfig(*path, provider), State().language);
  const int32_t handle = State().maps.issue(QPointer<MapView>(view));
  if (handle == 0) {
    delete view;
    return kFailed;
  }
  *map = handle;
  return kOk;
}

int32_t MAPU_CALL MAP_IsLoadComplete(int32_t map) { return Result(ViewOfMap(map) != nullptr); }

int32_t MAPU_CALL MAP_InsertVehicle(int32_t map, MAPU_VEHICLE vehicle) {
  MapView* view = ViewOfMap(map);
  return Result(view != nullptr && view->insertVehicle(vehicle));
}

int32_t MAPU_CALL MAP_SetVehicleName(int32_t map, MAPU_VEHICLE vehicle, const MAPU_CHAR* name) {
  MapView* view = ViewOfMap(map);
  const std::optional<QString> text = mapu::ReadCallText(name, mapu::kMaxNameChars);
  return Result(view != nullptr && text && view->setVehicleName(vehicle, *text));
}

int32_t MAPU_CALL MAP_SetVehiIcon(int32_t map, MAPU_VEHICLE vehicle, int32_t icon) {
  MapView* view = ViewOfMap(map);
  return Result(view != nullptr && icon >= 0 && icon < kIcons && view->setVehicleIcon(vehicle, icon));
}

int32_t MAPU_CALL MAP_SelectVehicle(int32_t map, MAPU_VEHICLE vehicle) {
  MapView* view = ViewOfMap(map);
  return Result(view != nullptr && view->selectVehicle(vehicle));
}

// The speed is not drawn apart: the label already shows it.
int32_t MAPU_CALL MAP_UpdateVehicle(int32_t map, MAPU_VEHICLE vehicle, const MAPU_CHAR* longitude,
                                    const MAPU_CHAR* latitude, int32_t sector, int32_t /*reserved*/,
                                    const MAPU_CHAR* /*speed*/, const MAPU_CHAR* /*reserved2*/,
                                    const MAPU_CHAR* label) {
  MapView* view = ViewOfMap(map);
  if (view == nullptr || sector < 0 || sector >= kSectors) return kFailed;
  const std::optional<LonLat> position = mapu::ParseLonLat(longitude, latitude);
  const std::optional<QString> html =
      label == nullptr ? QString() : mapu::ReadCallText(label, mapu::kMaxLabelChars);
  if (!position || !html) return kFailed;
  return Result(view->moveVehicle(vehicle, ToTileDatum(*view, *position), sector, *html));
}

int32_t MAPU_CALL MAP_DeleteVehicle(int32_t map, MAPU_VEHICLE vehicle) {
  MapView* view = ViewOfMap(map);
  return Result(view != nullptr && view->removeVehicle(vehicle));
}

int32_t MAPU_CALL MAP_TKInsertTrack(int32_t map, int32_t* track) {
  if (track == nullptr) return kFailed;
  *track = 0;
  MapView* view = ViewOfMap(map);
  if (view == nullptr) return kFailed;
  const int32_t handle = State().tracks.issue(map);
  if (handle == 0) return kFailed;
  if (!view->insertTrack(handle)) {
    State().tracks.release(handle);
    return kFailed;
  }
  *track = handle;
  return kOk;
}

int32_t MAPU_CALL MAP_TKInsertMarker(int32_t track, int32_t marker, int32_t style) {
  MapView* view = ViewOfTrack(track);
  return Result(view != nullptr && view->insertMarker(track, marker, style));
}

// A marker is a flag: it has no heading and shows no text.
int32_t MAPU_CALL MAP_TKUpdateMarker(int32_t track, int32_t marker, const MAPU_CHAR* /*reserved*/,
                                     const MAPU_CHAR* longitude, const MAPU_CHAR* latitude, int32_t /*sector*/,
                                     int32_t /*reserved2*/, const MAPU_CHAR* /*reserved3*/,
                                     const MAPU_CHAR* /*label*/, int32_t /*reserved4*/, const MAPU_CHAR* /*speed*/,
                                     const MAPU_CHAR* /*reserved5*/) {
  MapView* view = ViewOfTrack(track);
  const std::optional<LonLat> position = mapu::ParseLonLat(longitude, latitude);
  return Result(view != nullptr && position && view->placeMarker(track, marker, ToTileDatum(*view, *position)));
}

int32_t MAPU_CALL MAP_TKPushPoint(int32_t track, const MAPU_CHAR* longitude, const MAPU_CHAR* latitude) {
  MapView* view = ViewOfTrack(track);
  const std::optional<LonLat> position = mapu::ParseLonLat(longitude, latitude);
  const bool pushed = view != nullptr && position && view->pushPoint(track, ToTileDatum(*view, *position));
  // The push ends a position's calls, taken or not.
  mapu::ClearConversionMark();
  return Result(pushed);
}

int32_t MAPU_CALL MAP_TKDrawPoint(int32_t track) {
  MapView* view = ViewOfTrack(track);
  if (view == nullptr) return kFailed;
  view->update();
  return kOk;
}

int32_t MAPU_CALL MAP_TKDeleteMarker(int32_t track, int32_t marker) {
  MapView* view = ViewOfTrack(track);
  return Result(view != nullptr && view->removeMarker(track, marker));
}

int32_t MAPU_CALL MAP_TKDeleteTrack(int32_t track) {
  if (!OnWindowThread()) return kFailed;
  const int32_t* map = State().tracks.find(track);
  if (map == nullptr) return kFailed;
  // The map may be gone already; the handle goes either way.
  if (MapView* view = ViewOfMap(*map)) view->removeTrack(track);
  State().tracks.release(track);
  return kOk;
}

int32_t MAPU_CALL MAP_ConvertGps(int32_t /*reserved*/, double longitude, double latitude, int32_t mode,
                                 double* outLongitude, double* outLatitude) {
  if (outLongitude == nullptr || outLatitude == nullptr || !std::isfinite(longitude) || !std::isfinite(latitude) ||
      std::fabs(longitude) > 180.0 || std::fabs(latitude) > 90.0) {
    return kFailed;
  }
  LonLat result{longitude, latitude};
  if (mode == MAPU_CONVERT_GCJ02) {
    result = mapu::WgsToGcj(result);
    mapu::NoteConversion(mapu::Datum::Gcj02);
  } else if (mode == MAPU_CONVERT_BD09) {
    result = mapu::GcjToBd(mapu::WgsToGcj(result));
    mapu::NoteConversion(mapu::Datum::Bd09);
  } else {
    return kFailed;
  }
  *outLongitude = result.lon;
  *outLatitude = result.lat;
  return kOk;
}

}  // extern "C"
