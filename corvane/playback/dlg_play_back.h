#pragma once

#include <QWidget>

#include <array>

#include "corvane/playback/split_layout.h"

struct AppContext;
struct PlayerSettings;
class CDlgVideo;

// The playback page: the eight video windows in their split layout above
// the control bar's band. The main window creates and places it.
class CDlgPlayBack : public QWidget {
  Q_OBJECT

 public:
  CDlgPlayBack(const PlayerSettings& settings, AppContext& context, QWidget* parent);

  CDlgVideo* videoWindow(int index) const { return windows_[static_cast<size_t>(index)]; }
  const SplitState& split() const { return split_; }
  // Shows `count` windows (1, 4, 9 or 16) and lays them out.
  void SetSplitCount(int count);
  // Lays the windows out for the current split and page size.
  void ApplySplit();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void SelectWindow(int index);
  void ToggleWindow(int index);

  SplitState split_;
  std::array<CDlgVideo*, kVideoWindows> windows_{};
};
