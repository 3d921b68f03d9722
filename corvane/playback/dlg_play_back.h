#pragma once

#include <QWidget>

#include <array>

#include "corvane/app/playback_link.h"
#include "corvane/playback/split_layout.h"

struct AppContext;
struct PlayerSettings;
class CDlgVideo;
class PlaybackController;

// The playback page: the eight video windows in their split layout above
// the control bar's band, and the controller that plays the file list's
// entries in them. The main window creates and places it.
class CDlgPlayBack : public QWidget, public PlaybackLink {
  Q_OBJECT

 public:
  CDlgPlayBack(const PlayerSettings& settings, AppContext& context, QWidget* parent);
  ~CDlgPlayBack() override;

  CDlgVideo* videoWindow(int index) const { return windows_[static_cast<size_t>(index)]; }
  PlaybackController& controller() const { return *controller_; }
  const SplitState& split() const { return split_; }
  // Shows `count` windows (1, 4, 9 or 16) and lays them out.
  void SetSplitCount(int count);
  // Lays the windows out for the current split and page size.
  void ApplySplit();
  // Opens the file list's current entry on every channel of its moment.
  void StartEntry();

  // PlaybackLink
  bool IsOpeningEntry() const override;
  void Stop() override;
  bool IsFullScreen() const override { return false; }
  QWidget* ControlBar() override { return nullptr; }
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

  AppContext& context_;
  SplitState split_;
  std::array<CDlgVideo*, kVideoWindows> windows_{};
  PlaybackController* controller_;
};
