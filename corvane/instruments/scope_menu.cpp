#include "corvane/instruments/scope_menu.h"

#include "corvane/app/player_settings.h"
#include "corvane/app/theme.h"

CScopeMenu::CScopeMenu(const PlayerSettings& settings, QWidget* parent)
    : QWidget(parent) {
  setObjectName("CScopeMenu");
  UsePanelTheme(*this, settings.bkColor);
}
