#include "corvane/playback/dlg_play_back.h"

#include <QApplication>

#include <algorithm>

#include "corvane/app/app_context.h"
#include "corvane/app/main_window_link.h"
#include "corvane/app/notice.h"
#include "corvane/app/player_settings.h"
#include "corvane/app/settings_file.h"
#include "corvane/app/theme.h"
#include "corvane/instruments/scope_dlg.h"
#include "corvane/instruments/speedometer.h"
#include "corvane/playback/dlg_map.h"
#include "corvane/playback/dlg_play_bk_ctrl.h"
#include "corvane/playback/dlg_video.h"
#include "corvane/playback/playback_controller.h"
#include "corvane/playback/video_static.h"
#include "corvane/search/dlg_file_list.h"

namespace {

constexpr int kOpenFileFailed = 601;
constexpr int kUnknownInformation = 510;
constexpr int kTimeInterval = 511;
constexpr int kChannel = 514;
constexpr int kSpeedWord = 518;
constexpr int kFirstUnitName = 538;

QString TimeOfDay(const BR_SYSTEMTIME& time) {
  return QString::asprintf("%02d:%02d:%02d", time.hour, time.minute, time.second);
}

// Windows needed to show channels up to `channel`.
int SplitForChannel(int channel) {
  if (channel <= 1) return 1;
  if (channel <= 4) return 4;
  return channel < 9 ? 9 : 16;
}

}  // namespace

CDlgPlayBack::CDlgPlayBack(PlayerSettings& settings, AppContext& context, QWidget* parent)
    : QWidget(parent), settings_(settings), context_(context), controller_(new PlaybackController(this)) {
  setObjectName("CDlgPlayBack");
  UsePanelTheme(*this, settings.bkColor);
  std::array<BR_VIDEO_TARGET*, kChannelSlots> targets{};
  for (int i = 0; i < kVideoWindows; ++i) {
    auto* window = new CDlgVideo(i, context, settings.bkColor, this);
    connect(window, &CDlgVideo::selectRequested, this, &CDlgPlayBack::SelectWindow);
    connect(window, &CDlgVideo::toggleRequested, this, &CDlgPlayBack::ToggleWindow);
    windows_[static_cast<size_t>(i)] = window;
    targets[static_cast<size_t>(i)] = window->surface()->target();
  }
  controller_->SetTargets(targets);
  bar_ = new CDlgPlayBkCtrl(*controller_, settings, context, this);
  connect(bar_, &CDlgPlayBkCtrl::splitRequested, this, &CDlgPlayBack::ChooseSplit);
  connect(bar_, &CDlgPlayBkCtrl::fullScreenRequested, this, &CDlgPlayBack::EnterFullScreen);
  connect(bar_, &CDlgPlayBkCtrl::leaveFullScreenRequested, this, &CDlgPlayBack::LeaveFullScreen);
  connect(bar_, &CDlgPlayBkCtrl::telemetryToggled, this, [this](bool hidden) { ShowTelemetry(!hidden); });

  connect(controller_, &PlaybackController::splitWanted, this, &CDlgPlayBack::ShowSplitFor);
  connect(controller_, &PlaybackController::openEntryRequested, this, &CDlgPlayBack::StartEntry);
  connect(controller_, &PlaybackController::stopped, this, [this] {
    ClearWindows();
    RefreshStreamInfo();
  });
  connect(controller_, &PlaybackController::openFailed, this, [this](int error) {
    ShowNotice(this, QString("%1:%2").arg(LoadLangString(context_, kOpenFileFailed)).arg(error),
               NoticeIcon::kWarning);
  });
  connect(controller_, &PlaybackController::opened, this, [this] {
    if (context_.fileList != nullptr) {
      context_.fileList->MarkPlayingEntries();
      context_.fileList->HighlightPlayingRows();
    }
    RefreshStreamInfo();
  });
  ConnectTelemetry();
  split_.count = settings.viewMode;
  ApplySplit();
  context_.playback = this;
}

void CDlgPlayBack::ConnectTelemetry() {
  controller_->SetTelemetrySettings([this] {
    TelemetrySettings telemetry;
    telemetry.uiLanguage = settings_.uiLanguage;
    telemetry.speedUnit = settings_.speedUnit;
    telemetry.gpsFix = settings_.gpsFix;
    telemetry.mapSelect = settings_.mapSelect;
    telemetry.speedWord = LoadLangString(context_, kSpeedWord);
    for (int unit = 0; unit < 3; ++unit)
      telemetry.unitNames[static_cast<size_t>(unit)] = LoadLangString(context_, kFirstUnitName + unit);
    return telemetry;
  });
  // The map panel may go before the page when the main window closes.
  QPointer<CDlgMap> map = context_.map;
  controller_->SetMapVehicle([map] { return map != nullptr && map->InsertVehicleAndTrack(); },
                             [map] {
                               if (map != nullptr) map->RemoveVehicleAndTrack();
                             });
  connect(controller_, &PlaybackController::telemetry, this, &CDlgPlayBack::ShowTelemetryRecord);
}

void CDlgPlayBack::ShowTelemetryRecord(const TelemetryOutcome& outcome) {
  // The charts take their samples as posted calls, after this record's
  // other changes; a call for a panel gone by then is dropped.
  if (CScopeDlg* scope = context_.scope) {
    const auto& a = outcome.acceleration;
    QMetaObject::invokeMethod(scope, [scope, a] { scope->AddAccel(a[0], a[1], a[2]); }, Qt::QueuedConnection);
    const auto speed = static_cast<unsigned>(outcome.scopeSpeed);
    QMetaObject::invokeMethod(scope, [scope, speed] { scope->AddSpeed(speed); }, Qt::QueuedConnection);
  }
  CSpeedometer* speedometer = context_.speedometer;
  if (speedometer != nullptr) speedometer->SetRawSpeed(outcome.scopeSpeed);
  if (outcome.fresh) {
    if (speedometer != nullptr) speedometer->SetPositionTexts(outcome.speedometerLongitude, outcome.speedometerLatitude);
    if (CDlgMap* map = context_.map) map->UpdatePosition(outcome.map);
  }
  if (speedometer != nullptr) {
    speedometer->SetDisplaySpeed(outcome.displaySpeed);
    speedometer->UpdateFields();
  }
  bar_->SetTimeText(outcome.timeText);
  bar_->repaint();
}

// The context may be gone already: the main window owns it and its
// panels, and releases the context first.
CDlgPlayBack::~CDlgPlayBack() {
  // The windows are the channels' targets: nothing may be presented once
  // they go. Nobody hears that Stop: the bar and the context may be gone.
  disconnect(controller_, nullptr, nullptr, nullptr);
  controller_->Stop();
}

void CDlgPlayBack::SetSplitCount(int count) {
  split_.count = count;
  ApplySplit();
}

void CDlgPlayBack::ChooseSplit(int count) {
  SetSplitCount(count);
  if (context_.settingsFile != nullptr) context_.settingsFile->SaveViewMode(count);
}

QWidget* CDlgPlayBack::ControlBar() { return bar_; }

void CDlgPlayBack::ApplySplit() {
  const SplitLayout layout = LayoutSplit(split_, rect());
  bar_->setGeometry(layout.controlBar);
  for (CDlgVideo* window : windows_) {
    window->hide();
    window->SetSelected(false);
  }
  for (const PlacedWindow& placed : layout.shown) {
    CDlgVideo* window = windows_[static_cast<size_t>(placed.window)];
    window->setGeometry(placed.rect);
    window->show();
  }
  if (layout.selectedFramed) windows_[static_cast<size_t>(split_.selected)]->SetSelected(true);
}

void CDlgPlayBack::StartEntry() {
  if (context_.fileList == nullptr) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  controller_->Stop();
  if (CScopeDlg* scope = context_.scope) scope->ResetCharts();
  // Enough windows for every channel the list holds.
  int channels = split_.selected + 1;
  for (const FileListEntry& entry : context_.fileList->FullList())
    if (entry.channel >= 1 && entry.channel <= kVideoWindows) channels = std::max(channels, entry.channel);
  const int needed = SplitForChannel(channels);
  if (split_.count < needed) SetSplitCount(needed);
  controller_->SetSoundChannel(split_.selected);
  controller_->PrepareEntry(context_.fileList->ShownList());
  // The list shows the page of the entry being opened.
  if (!controller_->ready()) context_.fileList->ShowEntry(controller_->openedEntry(), controller_->channels().entry);
  QApplication::restoreOverrideCursor();
}

void CDlgPlayBack::Retext() { bar_->RetextToolTips(); }

void CDlgPlayBack::RefreshStreamInfo() {
  if (context_.mainWindow == nullptr) return;
  const auto& windows = controller_->channels().window;
  const int slot = static_cast<int>(std::find(windows.begin(), windows.end(), split_.selected + 1) - windows.begin());
  RecFileInfo info{};
  if (slot >= kChannelSlots || controller_->ChannelInfo(slot, info) != 0) {
    context_.mainWindow->SetStreamInfo(LoadLangString(context_, kUnknownInformation));
    return;
  }
  context_.mainWindow->SetStreamInfo(
      LoadLangString(context_, kTimeInterval) + TimeOfDay(info.start_time) + "-" + TimeOfDay(info.end_time) + "\n" +
      LoadLangString(context_, kChannel) + QString::asprintf("CH%02d", split_.selected + 1) + "\n" +
      QString::asprintf("%02.0fF/S", static_cast<double>(info.frame_rate)));
}

void CDlgPlayBack::EnterFullScreen() {
  if (fullScreen_) return;
  fullScreen_ = true;
  if (context_.mainWindow != nullptr) context_.mainWindow->VideoAreaChanged();
}

void CDlgPlayBack::LeaveFullScreen() {
  if (!fullScreen_) return;
  fullScreen_ = false;
  if (context_.mainWindow != nullptr) context_.mainWindow->VideoAreaChanged();
  update();
}

void CDlgPlayBack::ShowTelemetry(bool show) {
  telemetryHidden_ = !show;
  if (context_.mainWindow != nullptr) context_.mainWindow->VideoAreaChanged();
}

void CDlgPlayBack::ShowSplitFor(int count, int window) {
  if (count == 1) {
    ToggleWindow(window);
  } else {
    SetSplitCount(count);
  }
}

void CDlgPlayBack::ClearWindows() {
  for (CDlgVideo* window : windows_) window->surface()->Clear();
}

bool CDlgPlayBack::IsOpeningEntry() const { return !controller_->ready(); }

void CDlgPlayBack::Stop() { controller_->Stop(); }

bool CDlgPlayBack::IsPlaying() const { return controller_->playState() != PlayState::kStopped; }

QString CDlgPlayBack::ChannelName(int slot) const { return controller_->ChannelName(slot); }

void CDlgPlayBack::SetCurrentEntry(int index) { controller_->SetCurrentEntry(index); }

void CDlgPlayBack::resizeEvent(QResizeEvent*) { ApplySplit(); }

void CDlgPlayBack::SelectWindow(int index) {
  if (index < 0 || index >= kVideoWindows) return;
  // The sound follows the clicked window.
  controller_->SetSoundChannel(index);
  if (index == split_.selected) return;
  windows_[static_cast<size_t>(split_.selected)]->SetSelected(false);
  split_.selected = index;
  windows_[static_cast<size_t>(index)]->SetSelected(true);
  RefreshStreamInfo();
}

void CDlgPlayBack::ToggleWindow(int index) {
  if (index < 0 || index >= kVideoWindows) return;
  split_.Toggle(index);
  ApplySplit();
}
