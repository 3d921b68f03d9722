// The file list's disk search of 10,000 recordings, from the VIDEODISC
// SEARCH click to the first page on screen, beside the bare listing call
// of the library on the same disk.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>

#include <cstdlib>

#include "brisca/api/brisca.h"
#include "corvane/app/app_context.h"
#include "corvane/app/notice.h"
#include "corvane/app/player_settings.h"
#include "corvane/app/string_table.h"
#include "corvane/search/dlg_file_list.h"
#include "corvane/search/dlg_search_pannel.h"
#include "platform/talvo_file_system/disk_image_writer.h"

namespace {

constexpr int kDates = 5;
constexpr int kPerDate = 2000;  // 4 channels of 500 recordings a day

std::string BuildDisk(const QTemporaryDir& dir) {
  const std::string path = dir.filePath("disk.img").toStdString();
  tvfs::DiskImageWriter writer(1);
  std::string error;
  for (int date = 0; date < kDates; ++date) {
    for (int i = 0; i < kPerDate; ++i) {
      tvfs::SegmentDescription d;
      d.channel = static_cast<uint8_t>(i % 4);
      d.record_type = static_cast<uint8_t>(8);
      d.date = {26, 3, static_cast<uint8_t>(1 + date)};
      const uint32_t start = static_cast<uint32_t>(i / 4) * 170;
      d.start = tvfs::TimeOfDay::FromSeconds(start);
      d.end = tvfs::TimeOfDay::FromSeconds(start + 160);
      d.time_index = {{0, start}};
      d.data_size = 512;
      d.read_data = [](uint64_t, uint8_t* out, size_t length) {
        std::fill(out, out + length, uint8_t{0});
        return true;
      };
      if (!writer.AddSegment(std::move(d), error)) return {};
    }
  }
  tvfs::WriteReport report;
  return writer.Write(path, report, error) ? path : std::string();
}

struct Fixture {
  QTemporaryDir dir;
  std::string image = BuildDisk(dir);
};

Fixture& Disk() {
  static Fixture fixture;
  if (!fixture.image.empty()) setenv("BRISCA_DRIVES", fixture.image.c_str(), 1);
  return fixture;
}

void BareListing(benchmark::State& state) {
  if (Disk().image.empty()) return state.SkipWithError("cannot build the disk");
  NvrSearchResult found[16];
  NVR_SearchSD(-1, found);
  for (auto _ : state) {
    RecFileParam* records = nullptr;
    const int count = NVR_GetFileParam(&records, nullptr, 0);
    NVR_FreeFileParam(records);
    if (count != kDates * kPerDate) return state.SkipWithError("wrong record count");
  }
}

void ProgramSearch(benchmark::State& state) {
  if (Disk().image.empty()) return state.SkipWithError("cannot build the disk");
  const StringTable table = StringTable::FromResource();
  AppContext context(table);
  context.languageIndex = 0;
  PlayerSettings settings;
  QWidget root;
  auto* panel = new CDlgSearchPannel(settings, context, &root);
  auto* list = new CDlgFileList(settings, context, &root);
  panel->setGeometry(0, 0, 300, 105);
  list->setGeometry(0, 105, 395, 700);
  panel->RetextSearchPanel();
  list->RetextFileList();
  list->SetTimeWindow({2026, 3, 1}, {2026, 3, 31});
  root.show();
  QString notice;
  SetNoticeSink([&notice](const QString& text, NoticeIcon) { notice = text; });
  auto* button = list->findChild<QPushButton*>("ctl_228");
  auto* rows = list->findChild<QTableWidget*>("ctl_227");
  for (auto _ : state) {
    button->click();
    QCoreApplication::processEvents();  // the first page painted
    if (!notice.isEmpty()) {
      state.SkipWithError(notice.toUtf8().constData());
      break;
    }
    if (list->FullList().size() != kDates * kPerDate || rows->rowCount() == 0) {
      state.SkipWithError("the first page was not shown");
      break;
    }
  }
  SetNoticeSink(nullptr);
}

BENCHMARK(BareListing)->Unit(benchmark::kMillisecond);
BENCHMARK(ProgramSearch)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
