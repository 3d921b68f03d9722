#pragma once

#include <QWidget>

#include <array>

#include "corvane/app/playback_link.h"
#include "corvane/playback/split_layout.h"

struct AppContext;
struct PlayerSettings;
class CDlgPlayBkCtrl;
class CDlgVideo;
class PlaybackController;
struct TelemetryOutcome;

// The playback page: the eight video windows in their split layout above
// the control bar, and the controller that plays the file list's entries
// in them. It keeps the stream-information box current for the selected
// window and asks the main window for full-screen mode and for a wider
// video area without the telemetry panels. The main window creates and
// places it.
class CDlgPlayBack : public QWidget, public PlaybackLink {
  Q_OBJECT

 public:
  CDlgPlayBack(PlayerSettings& settings, AppContext& context, QWidget* parent);
  ~CDlgPlayBack() override;

  CDlgVideo* videoWindow(int index) const { return windows_[static_cast<size_t>(index)]; }
  PlaybackController& controller() const { return *controller_; }
  CDlgPlayBkCtrl* controlBar() const { return bar_; }
  const SplitState& split() const { return split_; }
  // Shows `count` windows (1, 4, 9 or 16) and lays them out.
  void SetSplitCount(int count);
  // Lays the windows out for the current split and page size.
  void ApplySplit();
  // Opens the file list's current entry on every channel of its moment.
  void StartEntry();
  // Tooltips and rate text in the current language.
  void Retext();
  // The selected window's recording in the main window's box.
  void RefreshStreamInfo();
  void EnterFullScreen();
  void LeaveFullScreen();
  void ShowTelemetry(bool show);

  // PlaybackLink
  bool IsOpeningEntry() const override;
  void Stop() override;
  bool IsFullScreen() const override { return fullScreen_; }
  bool TelemetryHidden() const override { return telemetryHidden_; }
  QWidget* ControlBar() override;
  bool IsPlaying() const override;
  QString ChannelName(int slot) const override;
  void SetCurrentEntry(int index) override;
  void OpenCurrentEntry() override { StartEntry(); }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void SelectWindow(int index);
  void ToggleWindow(int index);
  void ShowSplitFor(int count, int window);
  void ClearWindows();

  void ChooseSplit(int count);
  void ConnectTelemetry();
  // Fans one telemetry record out to the charts, the speedometer, the map
  // and the time text.
  void ShowTelemetryRecord(const TelemetryOutcome& outcome);

  PlayerSettings& settings_;
  AppContext& context_;
  SplitState split_;
  std::array<CDlgVideo*, kVideoWindows> windows_{};
  PlaybackController* controller_;
  CDlgPlayBkCtrl* bar_ = nullptr;
  bool fullScreen_ = false;
  bool telemetryHidden_ = false;
};
