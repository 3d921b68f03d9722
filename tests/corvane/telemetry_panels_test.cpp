// The telemetry of a playing recording reaches the panels beside the video:
// the map's vehicle drives the recorded route and leaves a track, the
// charts fill, the speedometer shows the position and the control bar the
// time; Stop takes vehicle and track off the map. The map's switch gives
// its column to the video and back.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QSettings>
#include <QTest>

#include <cstdlib>

#include "corvane/app/corvane_dlg.h"
#include "corvane/app/language.h"
#include "corvane/app/panel_layout.h"
#include "corvane/app/string_table.h"
#include "corvane/instruments/scope.h"
#include "corvane/instruments/scope_dlg.h"
#include "corvane/instruments/speedometer.h"
#include "corvane/playback/dlg_map.h"
#include "corvane/playback/dlg_play_back.h"
#include "corvane/playback/dlg_play_bk_ctrl.h"
#include "corvane/playback/playback_controller.h"
#include "corvane/search/dlg_file_list.h"
#include "platform/libmapu/map_view.h"
#include "temp_settings_dir.h"

namespace {

TEST(MapStart, LanguageOfTheMapFollowsTheStoredChoice) {
  EXPECT_EQ(std::u16string(MapLanguageName(2)), u"chinese traditional");
  EXPECT_EQ(std::u16string(MapLanguageName(3)), u"english");
  for (int stored : {0, 1, 10, 7}) EXPECT_EQ(std::u16string(MapLanguageName(stored)), u"chinese") << stored;
}

TEST(TelemetryPanels, ARecordingDrivesTheMapChartsSpeedometerAndTime) {
  TempSettingsDir temp;
  const QString disk = temp.dir.filePath("disk.img");
  const QString stream = temp.dir.filePath("ch1.strm");
  const QString make = QString("'%1' sample stream --size 64x48 --duration 8 --keyint 10 --channel 1 "
                               "--start '2026-03-08 10:00:00' -o '%2' >/dev/null && '%1' mkdisk '%3' "
                               "--segment channel=0,type=8,file='%2' >/dev/null")
                           .arg(CORVANE_TEST_TOOL, stream, disk);
  ASSERT_EQ(std::system(make.toUtf8().constData()), 0);
  {
    // English chosen by hand keeps the GPS correction on; no tile server.
    QSettings ini(temp.paths.file, QSettings::IniFormat);
    ini.setValue("LANGUAGE/LAN_SELECT", "3");
    ini.setValue("MAPTILES/GOOGLE_URL", "");
  }
  const SettingsFile file(temp.paths);
  PlayerSettings settings;
  file.LoadSettings(settings);
  const StringTable table = StringTable::FromResource();
  CCorvaneDlg window(settings, file, table, 1033);
  window.resize(1900, 1000);
  window.show();
  auto* map = window.findChild<CDlgMap*>();
  auto* page = window.findChild<CDlgPlayBack*>();
  auto* speedometer = window.findChild<CSpeedometer*>();
  Cscope* speed = window.findChild<CScopeDlg*>()->speedChart();
  QTRY_VERIFY_WITH_TIMEOUT(map->loaded(), 5000);
  mapu::MapView* view = MapViewOf(map->mapHandle());
  ASSERT_NE(view, nullptr);

  window.context().fileList->SetTimeWindow({2026, 3, 8}, {2026, 3, 9});
  window.context().fileList->LocalSearch(disk);
  ASSERT_EQ(window.context().fileList->ShownList().size(), 1u);
  window.context().fileList->DoubleClickRow(0);
  QTRY_VERIFY_WITH_TIMEOUT(map->hasTrack() && view->trackPointCount() >= 2, 10000);
  const auto first = view->trackPointCount();
  QTRY_VERIFY_WITH_TIMEOUT(view->trackPointCount() >= first + 2, 10000);

  // Corrected for the provider, then drawn back on the WGS-84 tiles where
  // the recorder was: on the speedometer's uncorrected position.
  const std::optional<mapu::LonLat> at = view->vehicleLonLat(map->vehicleId());
  ASSERT_TRUE(at.has_value());
  EXPECT_NEAR(at->lon, speedometer->longitudeText().toDouble(), 0.0003);
  EXPECT_NEAR(at->lat, speedometer->latitudeText().toDouble(), 0.0003);
  const auto moved = [&] {
    const auto now = view->vehicleLonLat(map->vehicleId());
    return now && (now->lon != at->lon || now->lat != at->lat);
  };
  QTRY_VERIFY_WITH_TIMEOUT(moved(), 8000);
  EXPECT_GE(speed->trace(0).size(), 3u);
  EXPECT_TRUE(speedometer->latitudeText().startsWith("22.5")) << speedometer->latitudeText().toStdString();
  EXPECT_TRUE(speedometer->longitudeText().startsWith("114.0")) << speedometer->longitudeText().toStdString();
  EXPECT_NE(page->controlBar()->timeText(), "00:00 / 00:00");
  EXPECT_TRUE(page->controlBar()->timeText().endsWith(page->controller().totalTimeText()))
      << page->controlBar()->timeText().toStdString();

  page->Stop();
  EXPECT_FALSE(map->hasVehicle());
  EXPECT_FALSE(map->hasTrack());
  EXPECT_EQ(view->trackPointCount(), 0u);

  // The map's switch: the video takes the map's column, then gives it back.
  const QRect withMap = page->geometry();
  speedometer->ToggleMap();
  EXPECT_FALSE(map->isVisible());
  EXPECT_EQ(page->geometry().right(), window.width() - 6);
  speedometer->ToggleMap();
  EXPECT_TRUE(map->isVisible());
  EXPECT_EQ(page->geometry(), withMap);
}

}  // namespace
