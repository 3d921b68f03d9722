#include "corvane/search/dlg_search_pannel.h"

#include "corvane/app/player_settings.h"
#include "corvane/app/theme.h"

CDlgSearchPannel::CDlgSearchPannel(const PlayerSettings& settings, QWidget* parent)
    : QWidget(parent) {
  setObjectName("CDlgSearchPannel");
  UsePanelTheme(*this, settings.bkColor);
}
