// The program plays: a double-clicked entry opens every camera of its
// moment through the library into the video windows, the next entry opens
// by itself when all have ended, and a channel that cannot be opened stops
// everything with one notice.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QToolButton>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>

#include "corvane/app/app_context.h"
#include "corvane/app/main_window_link.h"
#include "corvane/app/notice.h"
#include "corvane/app/player_settings.h"
#include "corvane/app/string_table.h"
#include "corvane/playback/dlg_play_back.h"
#include "corvane/playback/dlg_play_bk_ctrl.h"
#include "corvane/playback/dlg_video.h"
#include "corvane/playback/playback_controller.h"
#include "corvane/playback/video_static.h"
#include "corvane/search/dlg_delay_notify.h"
#include "corvane/search/dlg_file_list.h"
#include "corvane/search/dlg_search_pannel.h"

namespace {

QString Stream(const QDir& dir, int channel, const char* start) {
  const QString path = dir.filePath(QString("ch%1-%2.strm").arg(channel).arg(QString(start).right(8).remove(':')));
  const QString command = QString("'%1' sample stream --size 64x48 --duration 6 --keyint 10 --channel %2 "
                                  "--start '%3' -o '%4' >/dev/null")
                              .arg(CORVANE_TEST_TOOL)
                              .arg(channel)
                              .arg(start, path);
  EXPECT_EQ(std::system(command.toUtf8().constData()), 0) << command.toStdString();
  return path;
}

class RecordingMainWindow : public MainWindowLink {
 public:
  void SetStreamInfo(const QString& text) override { streamInfo = text; }
  void VideoAreaChanged() override { ++layouts; }
  void SetMapShown(bool) override {}
  void ChangeMapProvider(int) override {}
  void ShowAbout() override {}
  QString streamInfo;
  int layouts = 0;
};

class PlaybackPage : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    // Four cameras of one moment, then channel 1 alone five minutes later;
  // listed five seconds long, the shortest recordings that play together.
    QStringList segments;
    for (int channel = 1; channel <= 4; ++channel)
      segments << Stream(dir_.path(), channel, "2026-03-08 10:00:00");
    segments << Stream(dir_.path(), 1, "2026-03-08 10:05:00");
    QString command = QString("'%1' mkdisk '%2'").arg(CORVANE_TEST_TOOL, dir_.filePath("disk.img"));
    for (const QString& s : segments) {
      const int channel = QFileInfo(s).fileName().mid(2, 1).toInt() - 1;
      command += QString(" --segment channel=%1,type=8,file=%2").arg(channel).arg(s);
    }
    ASSERT_EQ(std::system((command + " >/dev/null").toUtf8().constData()), 0) << command.toStdString();
    SetNoticeSink([this](const QString& text, NoticeIcon) { notices_ << text; });

    context_.languageIndex = 0;
    settings_.viewMode = 1;
    panel_ = new CDlgSearchPannel(settings_, context_, &root_);
    list_ = new CDlgFileList(settings_, context_, &root_);
    page_ = new CDlgPlayBack(settings_, context_, &root_);
    panel_->setGeometry(0, 0, 300, 105);
    list_->setGeometry(0, 105, 395, 305);
    page_->setGeometry(400, 0, 800, 650);
    root_.show();
    list_->SetTimeWindow({2026, 3, 8}, {2026, 3, 9});
  }
  void TearDown() override { SetNoticeSink(nullptr); }

  int PaintedWindows() const {
    int painted = 0;
    for (int i = 0; i < 8; ++i) painted += page_->videoWindow(i)->surface()->paintedPictures() > 0;
    return painted;
  }

  QTemporaryDir dir_;
  QStringList notices_;
  const StringTable table_ = StringTable::FromResource();
  AppContext context_{table_};
  PlayerSettings settings_;
  QWidget root_;
  CDlgSearchPannel* panel_ = nullptr;
  CDlgFileList* list_ = nullptr;
  CDlgPlayBack* page_ = nullptr;
};

TEST_F(PlaybackPage, PlaysEveryCameraOfTheMomentThenTheNextEntryByItself) {
  list_->LocalSearch(dir_.filePath("disk.img"));
  ASSERT_EQ(list_->ShownList().size(), 5u) << notices_.join("; ").toStdString();
  list_->DoubleClickRow(0);
  PlaybackController& controller = page_->controller();

  // The list holds four channels: four windows, each showing its camera.
  EXPECT_EQ(page_->split().count, 4);
  QTRY_COMPARE_WITH_TIMEOUT(PaintedWindows(), 4, 10000);
  EXPECT_EQ(controller.channels().Count(), 4);
  EXPECT_EQ(page_->ChannelName(3), list_->ShownList()[3].name);
  EXPECT_TRUE(page_->IsPlaying());

  // All four end: the fifth entry opens alone, and at the list's end
  // playback stops.
  const QString fifth = list_->ShownList()[4].name;
  QTRY_COMPARE_WITH_TIMEOUT(page_->ChannelName(0), fifth, 15000);
  EXPECT_EQ(controller.channels().Count(), 1);
  QTRY_COMPARE_WITH_TIMEOUT(controller.playState(), PlayState::kStopped, 15000);
  EXPECT_FALSE(controller.hasDecoder());
  EXPECT_TRUE(notices_.isEmpty()) << notices_.join("; ").toStdString();
}

TEST_F(PlaybackPage, AChannelThatCannotOpenStopsEverythingWithOneNotice) {
  // A folder of stream files names them by path; the second camera's file
  // is gone by the time the entry opens.
  const QString folder = dir_.filePath("streams");
  QDir().mkpath(folder);
  for (const QString& name : QDir(dir_.path()).entryList({"*1000*.strm"}))
    QFile::copy(dir_.filePath(name), folder + "/" + name);
  list_->LocalSearch(folder);
  ASSERT_EQ(list_->ShownList().size(), 4u) << notices_.join("; ").toStdString();
  ASSERT_TRUE(QFile::remove(list_->ShownList()[1].name));

  list_->DoubleClickRow(0);
  PlaybackController& controller = page_->controller();
  QTRY_VERIFY_WITH_TIMEOUT(controller.ready(), 10000);
  QTest::qWait(100);
  ASSERT_EQ(notices_.size(), 1);
  EXPECT_TRUE(notices_[0].startsWith("Open File Failed:")) << notices_[0].toStdString();
  EXPECT_EQ(controller.playState(), PlayState::kStopped);
  EXPECT_FALSE(controller.hasDecoder());
  for (int slot = 0; slot < 8; ++slot) EXPECT_TRUE(page_->ChannelName(slot).isEmpty());
}

TEST_F(PlaybackPage, TheBarSteersDescribesAndCapturesThePlayingCameras) {
  RecordingMainWindow main;
  context_.mainWindow = &main;
  settings_.programDir = dir_.path();
  list_->LocalSearch(dir_.filePath("disk.img"));
  list_->DoubleClickRow(0);
  QTRY_COMPARE_WITH_TIMEOUT(PaintedWindows(), 4, 10000);
  CDlgPlayBkCtrl* bar = page_->controlBar();
  const auto click = [bar](int id) {
    auto* control = bar->findChild<QToolButton*>(QString("ctl_%1").arg(id));
    ASSERT_NE(control, nullptr) << id;
    control->click();
  };

  // Space pauses and plays; the up arrow does nothing.
  QTest::keyClick(bar, Qt::Key_Space);
  EXPECT_EQ(bar->rateText(), "PAUSE");
  QTest::keyClick(bar, Qt::Key_Space);
  EXPECT_EQ(bar->rateText(), "1X");
  QTest::keyClick(bar, Qt::Key_Space);
  QTest::keyClick(bar, Qt::Key_Up);
  EXPECT_EQ(bar->rateText(), "PAUSE");
  EXPECT_TRUE(page_->controller().rate().paused());

  // The box describes the selected window's recording, or says there is
  // none in it.
  EXPECT_EQ(main.streamInfo, "Time Interval:10:00:00-10:00:05\nChannel:CH01\n25F/S");
  click(236);
  QTest::mouseClick(page_->videoWindow(5), Qt::LeftButton);
  EXPECT_EQ(main.streamInfo, "Unknown Information");

  // One picture per camera, one notice naming them all.
  click(230);
  const QStringList pictures = QDir(dir_.path()).entryList({"* CH0?.bmp"});
  EXPECT_EQ(pictures.size(), 4) << pictures.join(", ").toStdString();
  for (const QString& name : pictures) EXPECT_GT(QFileInfo(dir_.filePath(name)).size(), 54);
  auto* notice = bar->findChild<CDlgDelayNotiFy*>();
  ASSERT_NE(notice, nullptr);
  EXPECT_GT(notice->countdown(), 0);
  EXPECT_EQ(notice->findChild<QPlainTextEdit*>("ctl_305")->toPlainText().count("saved OK."), 4);

  // Escape leaves full-screen mode, and the telemetry stays hidden.
  click(233);
  click(234);
  EXPECT_TRUE(page_->IsFullScreen());
  QTest::keyClick(bar, Qt::Key_Escape);
  EXPECT_FALSE(page_->IsFullScreen());
  EXPECT_TRUE(page_->TelemetryHidden());
  EXPECT_EQ(main.layouts, 3);

  click(220);
  EXPECT_EQ(bar->rateText(), "STOP");
  EXPECT_EQ(bar->timeText(), "00:00 / 00:00");
  EXPECT_FALSE(page_->controller().hasDecoder());
  EXPECT_EQ(main.streamInfo, "Unknown Information");
  context_.mainWindow = nullptr;
}

}  // namespace
