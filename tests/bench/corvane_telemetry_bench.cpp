// The window thread's cost of one telemetry record in the player's main
// window: the record's arithmetic, the map's vehicle and track, the
// speedometer, the time text and both charts' redraws, each record
// followed by the paints it causes. The map draws offline tiles written by
// the benchmark. Prints one JSON line.
//
//   corvane_telemetry_bench [--size WxH] [--records N]
#include <QApplication>
#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QElapsedTimer>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

#include "bench_window.h"
#include "corvane/app/corvane_dlg.h"
#include "corvane/instruments/scope.h"
#include "corvane/instruments/scope_dlg.h"
#include "corvane/playback/dlg_map.h"
#include "corvane/playback/dlg_play_back.h"
#include "corvane/playback/playback_controller.h"
#include "corvane/playback/telemetry_dispatch.h"
#include "platform/libmapu/libmapu.h"

namespace {

constexpr double kStartLatitude = BenchWindow::kRouteLatitude;
constexpr double kStartLongitude = BenchWindow::kRouteLongitude;

// A record of a vehicle at 54 km/h on a slow curve, `second` seconds in.
std::array<unsigned char, kTelemetryRecordBytes> Record(int second) {
  std::array<unsigned char, kTelemetryRecordBytes> r{};
  const double heading = 0.3 + second * 0.01;
  const double metres = 15.0 * second;
  const double latitude = kStartLatitude + metres * std::cos(heading) / 111320;
  const double longitude = kStartLongitude + metres * std::sin(heading) / (111320 * std::cos(kStartLatitude * M_PI / 180));
  const auto put16 = [&](size_t at, unsigned v) {
    r[at] = static_cast<unsigned char>(v);
    r[at + 1] = static_cast<unsigned char>(v >> 8);
  };
  const auto angle = [&](double degrees, size_t at, size_t fractionAt) {
    const auto whole = static_cast<int>(degrees);
    const double minutes = (degrees - whole) * 60;
    r[at] = static_cast<unsigned char>(whole);
    r[at + 1] = static_cast<unsigned char>(minutes);
    const auto fraction = static_cast<uint32_t>((minutes - std::floor(minutes)) * 1000000);
    put16(fractionAt, fraction & 0xFFFF);
    put16(fractionAt + 2, fraction >> 16);
  };
  r[3] = 10;
  r[4] = static_cast<unsigned char>(second / 60 % 60);
  r[5] = static_cast<unsigned char>(second % 60);
  r[8] = 'A';
  put16(10, 54);
  angle(latitude, 12, 16);
  angle(longitude, 14, 20);
  put16(24, static_cast<unsigned>(std::fmod(heading * 180 / M_PI + 360, 360) * 100));
  r[26] = 'N';
  r[27] = 'E';
  r[28] = 6;
  for (size_t axis = 0; axis < 3; ++axis)
    put16(40 + 2 * axis, static_cast<uint16_t>(static_cast<int16_t>(800 * std::sin(second * 0.2 + axis))));
  return r;
}

bool ConvertForMap(double longitude, double latitude, int mode, double& outLongitude, double& outLatitude) {
  return MAP_ConvertGps(0, longitude, latitude, mode, &outLongitude, &outLatitude) == 0;
}

double Percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  return values[static_cast<size_t>(p * static_cast<double>(values.size() - 1))];
}

int Fail(const char* message) {
  std::fprintf(stderr, "corvane_telemetry_bench: %s\n", message);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QCommandLineParser parser;
  const QCommandLineOption size("size", "Window size.", "WxH", "1920x1080");
  const QCommandLineOption count("records", "Telemetry records.", "n", "600");
  parser.addOptions({size, count});
  parser.process(app);
  const QStringList dimensions = parser.value(size).split('x');
  const int records = parser.value(count).toInt();
  if (dimensions.size() != 2 || records < 10) return Fail("usage: [--size WxH] [--records N]");

  BenchWindow bench(QSize(dimensions[0].toInt(), dimensions[1].toInt()));
  if (!bench.ok()) return Fail("cannot write the settings and tiles");
  CCorvaneDlg& window = bench.window();

  auto* map = window.findChild<CDlgMap*>();
  const QDeadlineTimer loading(10000);
  while (!map->loaded()) {
    if (loading.hasExpired()) return Fail("the map did not load");
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  // The language start-up and the charts' first layout are behind us.
  const QDeadlineTimer settle(1000);
  while (!settle.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  if (!map->InsertVehicleAndTrack()) return Fail("no vehicle");

  PlaybackController& controller = window.findChild<CDlgPlayBack*>()->controller();
  TelemetryDispatch dispatch(&ConvertForMap);
  TelemetrySettings telemetry;
  telemetry.uiLanguage = 3;
  telemetry.gpsFix = 1;
  telemetry.speedWord = "speed";
  telemetry.unitNames = {"km/h", "mp/h", "kn"};
  telemetry.origin = {10, 0, 0, 10, 59, 59};
  telemetry.totalTimeText = " / 59:59";

  std::vector<double> costs;
  bool reset = true;
  QElapsedTimer clock;
  for (int i = 0; i < records; ++i) {
    const auto record = Record(i);
    clock.start();
    const TelemetryOutcome outcome =
        dispatch.Dispatch(record.data(), telemetry, static_cast<uint32_t>(1000 * (i + 1)), reset);
    if (!outcome.dropped) emit controller.telemetry(outcome);
    // The charts' posted samples, then every paint they and the map asked for.
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    costs.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
  }
  auto* scope = window.findChild<CScopeDlg*>();
  const size_t samples = scope->speedChart()->trace(0).size();
  double total = 0;
  for (double c : costs) total += c;
  std::printf("{\"size\": \"%s\", \"records\": %d, \"speed_samples\": %zu, \"mean_ms\": %.3f, \"median_ms\": %.3f, "
              "\"p99_ms\": %.3f, \"max_ms\": %.3f}\n",
              parser.value(size).toUtf8().constData(), records, samples, total / static_cast<double>(records),
              Percentile(costs, 0.5), Percentile(costs, 0.99), *std::max_element(costs.begin(), costs.end()));
  return 0;
}
