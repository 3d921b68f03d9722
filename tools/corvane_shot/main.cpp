// corvane-shot: a screenshot of the player's main window in one language,
// colour theme and size, and a check that none of its texts is cut or
// overlaps another.
//
//   corvane-shot --language 1|2|3|10 --theme 0|1 --size WxH [--disk IMAGE [--play 1|4|9
//                [--chart speed|accel]]] -o FILE.png
//
// With --disk the recorder-disk image is the first drive name and the shot
// shows the file list after VIDEODISC SEARCH; with --play also the first
// entry playing, paused once every camera shows a picture and the map has
// drawn a few seconds of the track, in 1, 4 or 9 windows, with the speed or
// the acceleration chart. The map has no tiles: it shows its graticule.
//
// Exit status: 0 when every text fits, 1 when some does not (each printed on
// standard output), 2 when the shot could not be taken.

#include <QAbstractButton>
#include <QApplication>
#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLocale>
#include <QPixmap>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <cstdio>
#include <optional>

#include "corvane/app/app_context.h"
#include "corvane/app/corvane_dlg.h"
#include "corvane/app/language.h"
#include "corvane/app/notice.h"
#include "corvane/app/settings_file.h"
#include "corvane/app/string_table.h"
#include "corvane/instruments/scope_dlg.h"
#include "corvane/playback/dlg_map.h"
#include "corvane/playback/dlg_play_back.h"
#include "corvane/playback/dlg_video.h"
#include "corvane/playback/playback_controller.h"
#include "corvane/playback/video_static.h"
#include "corvane/search/dlg_file_list.h"
#include "platform/libmapu/map_view.h"
#include "tools/corvane_shot/text_fit.h"

namespace {

constexpr int kCaptionTextId = 509;
// Longer than the window's half-second language start-up, so the shot shows
// the state after it.
constexpr int kSettleMs = 1000;
// Track points the map shows before a playing shot is taken.
constexpr size_t kShownTrackPoints = 4;

struct ShotOptions {
  int language = 0;
  int theme = 0;
  QSize size;
  QString disk;
  int play = 0;  // windows while playing; 0: not playing
  bool accelerationChart = false;
  QString output;
};

void PrintError(const QString& message) {
  std::fprintf(stderr, "corvane-shot: %s\n", message.toUtf8().constData());
}

std::optional<ShotOptions> ParseOptions(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription("Screenshot of the main window with a text-fit check.");
  const QCommandLineOption language("language", "Language: 1, 2, 3 or 10.", "code");
  const QCommandLineOption theme("theme", "BK_COLOR: 1 dark, 0 light.", "bk");
  const QCommandLineOption size("size", "Window size, WxH.", "size");
  const QCommandLineOption disk("disk", "Recorder-disk image to search first.", "image");
  const QCommandLineOption play("play", "Play the first entry in 1, 4 or 9 windows.", "windows");
  const QCommandLineOption chart("chart", "Chart shown while playing: speed or accel.", "chart", "speed");
  const QCommandLineOption output({"o", "output"}, "PNG file to write.", "file");
  parser.addOptions({language, theme, size, disk, play, chart, output});
  if (!parser.parse(arguments)) {
    PrintError(parser.errorText());
    return std::nullopt;
  }
  ShotOptions options;
  options.language = parser.value(language).toInt();
  options.theme = parser.value(theme).toInt();
  const QStringList dimensions = parser.value(size).split(u'x');
  if (dimensions.size() == 2) options.size = QSize(dimensions[0].toInt(), dimensions[1].toInt());
  options.disk = parser.value(disk);
  if (parser.isSet(play)) options.play = parser.value(play).toInt();
  options.output = parser.value(output);
  options.accelerationChart = parser.value(chart) == "accel";

  const QList<int> languages{kLangSimplifiedChinese, kLangTraditionalChinese, kLangEnglish,
                             kLangRussian};
  if (!languages.contains(options.language) || (options.theme != 0 && options.theme != 1) ||
      options.size.isEmpty() || options.output.isEmpty() ||
      (options.play != 0 && (options.disk.isEmpty() || !QList<int>{1, 4, 9}.contains(options.play))) ||
      !QStringList{"speed", "accel"}.contains(parser.value(chart))) {
    PrintError("usage: corvane-shot --language 1|2|3|10 --theme 0|1 --size WxH "
               "[--disk IMAGE [--play 1|4|9 [--chart speed|accel]]] -o FILE.png");
    return std::nullopt;
  }
  return options;
}

// Settings of a fresh program folder holding only the theme and the language.
SettingsPaths WriteSettings(const QTemporaryDir& dir, const ShotOptions& options) {
  const SettingsPaths paths{dir.path() + "/program/config.ini",
                            dir.path() + "/user/CORVANE/config.ini"};
  QDir().mkpath(dir.path() + "/program");
  QSettings ini(paths.file, QSettings::IniFormat);
  ini.setValue("BKGROUND/BK_COLOR", QString::number(options.theme));
  ini.setValue("LANGUAGE/LAN_SELECT", QString::number(options.language));
  // No tile server: the shots are the same everywhere.
  ini.setValue("MAPTILES/GOOGLE_URL", "");
  ini.setValue("MAPTILES/BAIDU_URL", "");
  ini.sync();
  return paths;
}

// Double-clicks the first entry and waits until every camera of it shows a
// picture and the map shows a few seconds of the track; then pauses, in
// `windows` windows. False when that takes more than twenty seconds.
bool PlayFirstEntry(CCorvaneDlg& window, int windows) {
  auto* page = window.findChild<CDlgPlayBack*>();
  if (page == nullptr) return false;
  PlaybackController& controller = page->controller();
  window.context().fileList->DoubleClickRow(0);
  const auto painted = [&] {
    int count = 0;
    for (int i = 0; i < 8; ++i) count += page->videoWindow(i)->surface()->paintedPictures() > 0;
    return count;
  };
  const auto* map = window.findChild<CDlgMap*>();
  const auto tracked = [&] {
    const mapu::MapView* view = map != nullptr ? MapViewOf(map->mapHandle()) : nullptr;
    return view != nullptr && view->trackPointCount() >= kShownTrackPoints;
  };
  const QDeadlineTimer deadline(20000);
  while (!(controller.hasDecoder() && controller.ready() && painted() == controller.channels().Count() &&
           tracked())) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  }
  controller.Pause();
  // As the bar's split pictures do.
  const char* picture = windows == 1 ? "ctl_462" : (windows == 4 ? "ctl_463" : "ctl_236");
  if (auto* split = page->findChild<QToolButton*>(picture)) split->click();
  return page->split().count == windows;
}

void Settle() {
  QEventLoop loop;
  QTimer::singleShot(kSettleMs, &loop, &QEventLoop::quit);
  loop.exec();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const std::optional<ShotOptions> options = ParseOptions(QApplication::arguments());
  if (!options) return 2;

  const QTemporaryDir dir;
  if (!dir.isValid()) {
    PrintError("cannot create a temporary settings folder");
    return 2;
  }
  const SettingsFile file(WriteSettings(dir, *options));
  PlayerSettings settings;
  settings.programDir = dir.path() + "/program";
  file.LoadSettings(settings);
  const StringTable table = StringTable::FromResource();

  CCorvaneDlg window(settings, file, table, SystemLanguageId(QLocale::system().name()));
  window.setGeometry(QRect(QPoint(0, 0), options->size));
  window.show();
  window.ApplyLanguage(options->language);
  Settle();
  if (!options->disk.isEmpty()) {
    // A notice would block the shot: it is printed, and the shot fails.
    bool noticed = false;
    SetNoticeSink([&noticed](const QString& text, NoticeIcon) {
      PrintError("notice: " + text);
      noticed = true;
    });
    qputenv("BRISCA_DRIVES", QFile::encodeName(options->disk));
    window.context().fileList->DiskSearch();
    SetNoticeSink(nullptr);
    if (noticed || window.context().fileList->ShownList().empty()) {
      PrintError("the search of " + options->disk + " listed nothing");
      return 2;
    }
    Settle();
    if (options->play != 0) {
      if (!PlayFirstEntry(window, options->play)) {
        PrintError("the first entry of " + options->disk + " did not play");
        return 2;
      }
      if (options->accelerationChart) {
        if (auto* tab = window.findChild<QAbstractButton*>("ctl_457")) tab->click();
      }
      Settle();
    }
  }
  if (window.size() != options->size) {
    PrintError(QString("the window is %1x%2, not the size asked for (screen too small?)")
                   .arg(window.width())
                   .arg(window.height()));
    return 2;
  }

  // From the screen: the video windows' OpenGL pictures are in windows of
  // their own, which a widget's grab() does not see.
  if (!window.screen()->grabWindow(window.winId()).save(options->output, "PNG")) {
    PrintError("cannot write " + options->output);
    return 2;
  }

  const PaintedText caption{"ctl_102 caption", LoadLangString(window.context(), kCaptionTextId),
                            window.CaptionTextRect(), Qt::AlignLeft | Qt::AlignTop,
                            window.font()};
  std::vector<TextFitProblem> problems = CheckTextFit(window, {caption});
  // The idle video windows paint their captions on their drawing surfaces.
  for (const CVideoStatic* surface : window.findChildren<CVideoStatic*>()) {
    if (!surface->isVisible() || !surface->idle()) continue;
    const PaintedText cam{surface->objectName() + " caption", surface->CaptionText(),
                          surface->rect(), CVideoStatic::kCaptionFlags, surface->font()};
    for (TextFitProblem& problem : CheckTextFit(*surface, {cam})) problems.push_back(problem);
  }
  for (const TextFitProblem& problem : problems) {
    // One line per problem, whatever the text holds.
    const QString text = QString(problem.text).replace(u'\n', QStringLiteral("\\n"));
    std::printf("%s\t\"%s\"\t%s\n", problem.object.toUtf8().constData(),
                text.toUtf8().constData(), problem.reason.toUtf8().constData());
  }
  std::fprintf(stderr, "corvane-shot: %s: %zu text problem(s)\n",
               options->output.toUtf8().constData(), problems.size());
  return problems.empty() ? 0 : 1;
}
