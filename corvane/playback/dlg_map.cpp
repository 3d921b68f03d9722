#include "corvane/playback/dlg_map.h"

#include <QTimerEvent>

#include "corvane/app/app_context.h"
#include "corvane/app/player_settings.h"
#include "corvane/app/settings_file.h"
#include "corvane/app/theme.h"
#include "corvane/instruments/speedometer.h"
#include "corvane/playback/telemetry_dispatch.h"
#include "platform/libmapu/libmapu.h"

namespace {

constexpr int kStartPollMs = 300;
constexpr int kLoadedCheckMs = 5000;
constexpr int kMarker = 1;
constexpr int kVehicleIcon = 1;

const MAPU_CHAR* Text(const QString& text) { return reinterpret_cast<const MAPU_CHAR*>(text.utf16()); }

}  // namespace

CDlgMap::CDlgMap(const PlayerSettings& settings, AppContext& context, QWidget* parent)
    : QWidget(parent), settings_(settings), context_(context), host_(new QWidget(this)) {
  setObjectName("CDlgMap");
  UsePanelTheme(*this, settings.bkColor);
  host_->setObjectName("ctl_555");
  startTimer_.start(kStartPollMs, this);
}

CDlgMap::~CDlgMap() { RemoveVehicleAndTrack(); }

void CDlgMap::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  host_->setGeometry(rect());
}

void CDlgMap::timerEvent(QTimerEvent* event) {
  if (event->timerId() == startTimer_.timerId()) {
    StartMap();
  } else if (event->timerId() == loadedCheck_.timerId()) {
    CheckLoadedLater();
  } else {
    QWidget::timerEvent(event);
  }
}

void CDlgMap::StartMap() {
  if (!started_) {
    // The map is created once; a new provider takes a restart.
    started_ = true;
    const QString file = context_.settingsFile != nullptr ? context_.settingsFile->paths().file : QString();
    MAP_InitMap(settings_.mapSelect, host_, 0, Text(file), u"", 0, u"default", 1, u"0,1,2", &map_);
  }
  if (MAP_IsLoadComplete(map_) != 0) return;
  loaded_ = true;
  startTimer_.stop();
  loadedCheck_.start(kLoadedCheckMs, this);
}

void CDlgMap::CheckLoadedLater() {
  loadedCheck_.stop();
  if (MAP_IsLoadComplete(map_) == 0) return;
  CSpeedometer* speedometer = context_.speedometer;
  if (speedometer != nullptr && speedometer->mapVisible()) speedometer->ToggleMap();
}

bool CDlgMap::InsertVehicleAndTrack() {
  if (!loaded_) return false;
  RemoveVehicleAndTrack();
  vehicle_ = std::make_unique<VehicleRecord>();
  *vehicle_ = {1, vehicleId(), 0};
  if (MAP_InsertVehicle(map_, vehicleId()) == 0) {
    MAP_SetVehicleName(map_, vehicleId(), u"aa");
    MAP_SetVehiIcon(map_, vehicleId(), kVehicleIcon);
  }
  MAP_InsertVehicle(map_, vehicleId());
  MAP_SetVehiIcon(map_, vehicleId(), kVehicleIcon);
  if (!markerFilled_ && MAP_TKInsertTrack(map_, &track_) == 0) MAP_TKInsertMarker(track_, kMarker, 1);
  return true;
}

void CDlgMap::UpdatePosition(const MapPoint& point) {
  // Before the track exists a position would fill a marker that is not
  // there yet, and the track would then never be made.
  if (vehicle_ == nullptr || track_ == 0) return;
  MAP_SetVehicleName(map_, vehicleId(), u"");
  MAP_SelectVehicle(map_, vehicleId());
  MAP_UpdateVehicle(map_, vehicleId(), Text(point.longitude), Text(point.latitude), point.sector, 0,
                    Text(point.speedText), u"", Text(point.label));
  if (!markerFilled_ && loaded_) {
    MAP_TKUpdateMarker(track_, kMarker, u"", Text(point.longitude), Text(point.latitude), point.sector, 5, u"",
                       Text(point.label), 1, Text(point.speedText), u"");
    markerFilled_ = true;
  }
  MAP_TKPushPoint(track_, Text(point.longitude), Text(point.latitude));
  MAP_TKDrawPoint(track_);
}

void CDlgMap::RemoveVehicleAndTrack() {
  if (vehicle_ != nullptr) MAP_DeleteVehicle(map_, vehicleId());
  if (track_ != 0) {
    MAP_TKDeleteMarker(track_, kMarker);
    MAP_TKDeleteTrack(track_);
  }
  vehicle_.reset();
  track_ = 0;
  markerFilled_ = false;
}
