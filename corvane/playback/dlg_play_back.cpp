#include "corvane/playback/dlg_play_back.h"

#include "corvane/app/app_context.h"
#include "corvane/app/player_settings.h"
#include "corvane/app/theme.h"
#include "corvane/playback/dlg_video.h"

CDlgPlayBack::CDlgPlayBack(const PlayerSettings& settings, AppContext& context, QWidget* parent)
    : QWidget(parent) {
  setObjectName("CDlgPlayBack");
  UsePanelTheme(*this, settings.bkColor);
  for (int i = 0; i < kVideoWindows; ++i) {
    auto* window = new CDlgVideo(i, context, settings.bkColor, this);
    connect(window, &CDlgVideo::selectRequested, this, &CDlgPlayBack::SelectWindow);
    connect(window, &CDlgVideo::toggleRequested, this, &CDlgPlayBack::ToggleWindow);
    windows_[static_cast<size_t>(i)] = window;
  }
  split_.count = settings.viewMode;
  ApplySplit();
}

void CDlgPlayBack::SetSplitCount(int count) {
  split_.count = count;
  ApplySplit();
}

void CDlgPlayBack::ApplySplit() {
  const SplitLayout layout = LayoutSplit(split_, rect());
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

void CDlgPlayBack::resizeEvent(QResizeEvent*) { ApplySplit(); }

void CDlgPlayBack::SelectWindow(int index) {
  if (index < 0 || index >= kVideoWindows || index == split_.selected) return;
  windows_[static_cast<size_t>(split_.selected)]->SetSelected(false);
  split_.selected = index;
  windows_[static_cast<size_t>(index)]->SetSelected(true);
}

void CDlgPlayBack::ToggleWindow(int index) {
  if (index < 0 || index >= kVideoWindows) return;
  split_.Toggle(index);
  ApplySplit();
}
