#include "corvane/instruments/scope_dlg.h"

#include "corvane/app/player_settings.h"
#include "corvane/app/theme.h"

CScopeDlg::CScopeDlg(const PlayerSettings& settings, QWidget* parent)
    : QWidget(parent) {
  setObjectName("CScopeDlg");
  UsePanelTheme(*this, settings.bkColor);
}
