#include "corvane/playback/dlg_play_back.h"

#include "corvane/app/player_settings.h"
#include "corvane/app/theme.h"

CDlgPlayBack::CDlgPlayBack(const PlayerSettings& settings, QWidget* parent)
    : QWidget(parent) {
  setObjectName("CDlgPlayBack");
  UsePanelTheme(*this, settings.bkColor);
}
