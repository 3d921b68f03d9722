#include "corvane/playback/dlg_map.h"

#include "corvane/app/player_settings.h"
#include "corvane/app/theme.h"

CDlgMap::CDlgMap(const PlayerSettings& settings, QWidget* parent)
    : QWidget(parent) {
  setObjectName("CDlgMap");
  UsePanelTheme(*this, settings.bkColor);
}
