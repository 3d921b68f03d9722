#pragma once

#include <QBasicTimer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>

struct AppContext;
struct MapPoint;
struct PlayerSettings;

// The map panel: the map component fills its host control, and while an
// entry plays it carries one vehicle and its track. The map starts 300 ms
// after the panel and is polled until it reports itself loaded; a map that
// is still not loaded five seconds later is switched off through the
// speedometer panel's map button. Window thread only.
class CDlgMap : public QWidget {
  Q_OBJECT

 public:
  CDlgMap(const PlayerSettings& settings, AppContext& context, QWidget* parent);
  ~CDlgMap() override;

  bool loaded() const { return loaded_; }
  int32_t mapHandle() const { return map_; }
  bool hasVehicle() const { return vehicle_ != nullptr; }
  bool hasTrack() const { return track_ != 0; }
  // The map's name of the vehicle: its record's address; 0 for none.
  intptr_t vehicleId() const { return reinterpret_cast<intptr_t>(vehicle_.get()); }
  // The control the map draws into.
  QWidget* host() const { return host_; }

  // Creates the vehicle and the track of an opened entry. False while the
  // map is not loaded: the caller tries again later.
  bool InsertVehicleAndTrack();
  // Moves the vehicle and extends the track; nothing before they exist.
  void UpdatePosition(const MapPoint& point);
  // Removes the vehicle and the track; the next entry starts new ones.
  void RemoveVehicleAndTrack();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

 private:
  // The vehicle's identifier is the address of this record.
  using VehicleRecord = std::array<intptr_t, 3>;

  void StartMap();
  void CheckLoadedLater();

  const PlayerSettings& settings_;
  AppContext& context_;
  QWidget* host_;
  QBasicTimer startTimer_;   // polls the map until it has loaded
  QBasicTimer loadedCheck_;  // once, five seconds after loading
  bool started_ = false;
  int32_t map_ = 0;
  bool loaded_ = false;
  std::unique_ptr<VehicleRecord> vehicle_;
  int32_t track_ = 0;
  bool markerFilled_ = false;
};
