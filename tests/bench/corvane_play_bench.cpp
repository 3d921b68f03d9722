// Plays the first entry of a folder of recordings in the player's main
// window, as an operator does with LOCAL SEARCH and a double click, until
// every channel has ended, and reports as one JSON line per channel and one
// for the run: pictures the library presented, those put on screen and
// those dropped for a newer one; the window thread's longest stall; the
// process's CPU time; the telemetry records shown on the map and charts,
// which draw offline tiles written by the benchmark.
//
//   corvane_play_bench --folder DIR [--size WxH] [--video gl|software]
#include <QApplication>
#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>

#include "bench_window.h"
#include "corvane/app/app_context.h"
#include "corvane/app/corvane_dlg.h"
#include "corvane/playback/dlg_play_back.h"
#include "corvane/playback/dlg_video.h"
#include "corvane/playback/playback_controller.h"
#include "corvane/playback/video_path.h"
#include "corvane/playback/video_static.h"
#include "corvane/search/dlg_file_list.h"

namespace {

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The longest time the window thread could not serve a timer due every
// 5 ms: the longest stretch it was busy, to within the timer's period.
class StallMeter {
 public:
  StallMeter() {
    tick_.setTimerType(Qt::PreciseTimer);
    tick_.setInterval(kPeriodMs);
    QObject::connect(&tick_, &QTimer::timeout, [this] {
      longest_ = std::max(longest_, since_.restart() - kPeriodMs);
    });
  }
  void Start() {
    longest_ = 0;
    since_.start();
    tick_.start();
  }
  void Stop() { tick_.stop(); }
  double LongestMs() const { return static_cast<double>(std::max<qint64>(longest_, 0)); }

 private:
  static constexpr int kPeriodMs = 5;
  QTimer tick_;
  QElapsedTimer since_;
  qint64 longest_ = 0;
};

int Fail(const char* message) {
  std::fprintf(stderr, "corvane_play_bench: %s\n", message);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QCommandLineParser parser;
  const QCommandLineOption folder("folder", "Folder of recordings.", "dir");
  const QCommandLineOption size("size", "Window size.", "WxH", "1920x1080");
  const QCommandLineOption video("video", "gl or software.", "path");
  parser.addOptions({folder, size, video});
  parser.process(app);
  if (parser.isSet(video)) qputenv("CORVANE_VIDEO", parser.value(video).toUtf8());
  const QStringList dimensions = parser.value(size).split('x');
  if (!parser.isSet(folder) || dimensions.size() != 2) return Fail("usage: --folder DIR [--size WxH]");

  BenchWindow bench(QSize(dimensions[0].toInt(), dimensions[1].toInt()));
  if (!bench.ok()) return Fail("cannot write the settings and tiles");
  CCorvaneDlg& window = bench.window();
  auto* page = window.findChild<CDlgPlayBack*>();
  PlaybackController& controller = page->controller();

  window.context().fileList->LocalSearch(parser.value(folder));
  if (window.context().fileList->ShownList().empty()) return Fail("nothing listed");
  StallMeter stalls;
  window.context().fileList->DoubleClickRow(0);
  const QDeadlineTimer opening(30000);
  while (!(controller.hasDecoder() && controller.ready())) {
    if (opening.hasExpired()) return Fail("the entry did not open");
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }

  const int channels = controller.channels().Count();
  int telemetry = 0;
  QObject::connect(&controller, &PlaybackController::telemetry, &app, [&] { ++telemetry; });
  const double cpuBefore = CpuSeconds();
  QElapsedTimer wall;
  wall.start();
  stalls.Start();
  // Until the last channel has ended and playback stopped by itself.
  // The final Stop, which waits for the channels' threads, is not playing.
  QObject::connect(&controller, &PlaybackController::stopped, &app, [&] {
    stalls.Stop();
    QCoreApplication::quit();
  });
  app.exec();
  stalls.Stop();
  const double cpu = CpuSeconds() - cpuBefore;

  for (int i = 0; i < channels; ++i) {
    const CVideoStatic* surface = page->videoWindow(i)->surface();
    std::printf("{\"channel\": %d, \"presented\": %llu, \"painted\": %llu, \"dropped\": %llu}\n", i + 1,
                static_cast<unsigned long long>(surface->slot().presented()),
                static_cast<unsigned long long>(surface->paintedPictures()),
                static_cast<unsigned long long>(surface->slot().dropped()));
  }
  std::printf("{\"video\": \"%s\", \"channels\": %d, \"seconds\": %.2f, \"cpu_seconds\": %.2f, "
              "\"longest_stall_ms\": %.1f, \"telemetry_records\": %d}\n",
              ChosenVideoPath() == VideoPath::kOpenGl ? "gl" : "software", channels,
              static_cast<double>(wall.elapsed()) / 1000, cpu, stalls.LongestMs(), telemetry);
  return 0;
}
