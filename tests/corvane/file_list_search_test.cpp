// The search panel and the file list over a generated recorder disk: disk
// search, type and channel filters, paging, the rows' texts, local sources
// and the notices.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>

#include <cstdlib>
#include <fstream>

#include "corvane/app/app_context.h"
#include "corvane/app/notice.h"
#include "corvane/app/player_settings.h"
#include "corvane/app/string_table.h"
#include "corvane/search/dlg_file_list.h"
#include "corvane/search/dlg_search_pannel.h"
#include "platform/talvo_file_system/disk_image_writer.h"
#include "tests/corvane/fake_playback_link.h"

namespace {

struct Segment {
  uint8_t channel;  // 1-based
  uint8_t type;
  int start;  // seconds of 2026-03-08
  int end;    // may pass 86399
};

void WriteDisk(const std::string& path, const std::vector<Segment>& segments) {
  tvfs::DiskImageWriter writer(1);
  std::string error;
  for (const Segment& s : segments) {
    tvfs::SegmentDescription d;
    d.channel = static_cast<uint8_t>(s.channel - 1);
    d.record_type = s.type;
    d.date = {26, 3, 8};
    d.start = tvfs::TimeOfDay::FromSeconds(static_cast<uint32_t>(s.start));
    d.end = tvfs::TimeOfDay::FromSeconds(static_cast<uint32_t>(s.end % 86400));
    d.time_index = {{0, static_cast<uint32_t>(s.start)}};
    d.data_size = 4096;
    d.read_data = [](uint64_t, uint8_t* out, size_t length) {
      std::fill(out, out + length, uint8_t{0});
      return true;
    };
    ASSERT_TRUE(writer.AddSegment(std::move(d), error)) << error;
  }
  tvfs::WriteReport report;
  ASSERT_TRUE(writer.Write(path, report, error)) << error;
}

class FileListSearch : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    image_ = dir_.filePath("disk.img").toStdString();
    std::vector<Segment> segments{{1, 0x08, 36000, 36300},
                                  {2, 0x20, 36003, 36300},
                                  {3, 0x48, 36007, 36300},
                                  {1, 0x10, 86100, 86400 + 300}};  // past midnight
    for (int i = 0; i < 20; ++i) segments.push_back({4, 0x08, 39600 + 600 * i, 39900 + 600 * i});
    WriteDisk(image_, segments);
    setenv("BRISCA_DRIVES", image_.c_str(), 1);
    SetNoticeSink([this](const QString& text, NoticeIcon) { notices_ << text; });

    context_.languageIndex = 0;
    context_.playback = &link_;
    panel_ = new CDlgSearchPannel(settings_, context_, &root_);
    list_ = new CDlgFileList(settings_, context_, &root_);
    panel_->setGeometry(0, 0, 300, 105);
    list_->setGeometry(0, 105, 395, 72 + 55 + 178);  // ten rows a page
    root_.show();
    panel_->RetextSearchPanel();
    list_->RetextFileList();
    list_->SetTimeWindow({2026, 3, 8}, {2026, 3, 9, 12});
  }
  void TearDown() override {
    SetNoticeSink(nullptr);
    unsetenv("BRISCA_DRIVES");
  }

  QStringList Row(int row) const {
    const auto* table = list_->findChild<QTableWidget*>("ctl_227");
    QStringList cells;
    for (int c = 0; c < table->columnCount(); ++c) cells << table->item(row, c)->text();
    return cells;
  }
  int Rows() const { return list_->findChild<QTableWidget*>("ctl_227")->rowCount(); }
  QString PageFields() const {
    return list_->findChild<QLineEdit*>("ctl_336")->text() + "/" +
           list_->findChild<QLineEdit*>("ctl_337")->text();
  }
  void Choose(const char* combo, int index) {
    panel_->findChild<QComboBox*>(combo)->setCurrentIndex(index);
  }

  QTemporaryDir dir_;
  std::string image_;
  QStringList notices_;
  const StringTable table_ = StringTable::FromResource();
  AppContext context_{table_};
  PlayerSettings settings_;
  KeyRecorder bar_;
  FakePlaybackLink link_{&bar_};
  QWidget root_;
  CDlgSearchPannel* panel_ = nullptr;
  CDlgFileList* list_ = nullptr;
};

TEST_F(FileListSearch, SearchesFiltersAndPagesADisk) {
  list_->findChild<QPushButton*>("ctl_228")->click();
  EXPECT_TRUE(notices_.isEmpty()) << notices_.join("; ").toStdString();
  const auto* disks = panel_->findChild<QComboBox*>("ctl_313");
  ASSERT_EQ(disks->count(), 2);
  EXPECT_EQ(disks->itemText(1), "Hard disk1");
  EXPECT_EQ(disks->currentIndex(), 1);

  ASSERT_EQ(list_->FullList().size(), 24u);
  EXPECT_EQ(PageFields(), "1/3");
  EXPECT_EQ(Row(0), QStringList({"1", "2026-03-08", "10:00:00", "10:05:00", "00:05:00", "Manual"}));
  EXPECT_EQ(Row(1).at(5), "Emerg");
  EXPECT_EQ(Row(2).at(5), "Manual|DSM");
  list_->Last();
  EXPECT_EQ(PageFields(), "3/3");
  ASSERT_EQ(Rows(), 4);
  EXPECT_EQ(Row(3), QStringList({"1", "2026-03-08", "23:55:00", "00:05:00", "00:10:00", "Speed"}));
  list_->Previous();
  EXPECT_EQ(PageFields(), "2/3");
  EXPECT_EQ(Row(0).at(2), "12:10:00");

  Choose("ctl_312", 3);  // DMS
  EXPECT_EQ(PageFields(), "1/1");
  ASSERT_EQ(Rows(), 1);
  EXPECT_EQ(Row(0).at(0), "3");
  Choose("ctl_312", 4);  // all types, CH1
  Choose("ctl_314", 1);
  ASSERT_EQ(Rows(), 2);
  EXPECT_EQ(Row(1).at(2), "23:55:00");

  // What plays is marked; a double click hands its entry over.
  link_.channelNames[2] = list_->ShownList()[1].name;
  list_->MarkPlayingEntries();
  EXPECT_EQ(list_->playingMarks()[2], 1);
  list_->ClickRow(1);
  list_->DoubleClickRow(1);
  EXPECT_EQ(link_.opened, std::vector<int>{1});
  link_.opening = true;
  list_->DoubleClickRow(0);
  EXPECT_EQ(link_.opened.size(), 1u);
  link_.opening = false;

  // A language change forgets the disks but keeps the filter and rows.
  context_.languageIndex = 1;
  panel_->RetextSearchPanel();
  EXPECT_EQ(disks->count(), 1);
  EXPECT_EQ(Rows(), 2);
  EXPECT_EQ(panel_->channelIndex(), 1);
}

TEST_F(FileListSearch, NoticesAndLocalSources) {
  link_.playing = true;
  list_->findChild<QPushButton*>("ctl_228")->click();
  EXPECT_EQ(notices_, QStringList{"Please Stop Play first."});
  link_.playing = false;

  // An image chosen by hand lists like the disk; a file that is no source
  // changes nothing.
  list_->LocalSearch(QString::fromStdString(image_));
  EXPECT_EQ(list_->FullList().size(), 24u);
  EXPECT_EQ(context_.localSource, 1);
  const QString junk = dir_.filePath("notes.txt");
  std::ofstream(junk.toStdString()) << "not a recording";
  list_->LocalSearch(junk);
  EXPECT_EQ(notices_.last(), LoadLangString(context_, 637));
  EXPECT_EQ(list_->FullList().size(), 24u);
  EXPECT_EQ(context_.storagePath, QString::fromStdString(image_));

  unsetenv("BRISCA_DRIVES");
  setenv("BRISCA_DRIVES", dir_.filePath("missing.img").toStdString().c_str(), 1);
  list_->DiskSearch();
  EXPECT_EQ(notices_.last(), LoadLangString(context_, 621));

  NvrSearchResult records[3] = {{0, 1, {}}, {1, 1, {}}, {2, 0, {}}};
  panel_->FillDiskList(records, 3);
  const auto* disks = panel_->findChild<QComboBox*>("ctl_313");
  EXPECT_EQ(disks->itemText(1) + disks->itemText(2) + disks->itemText(3),
            "Removable disk1Removable disk2Hard disk1");
  EXPECT_EQ(panel_->GetSelectedDisk(), &records[0]);
}

}  // namespace
