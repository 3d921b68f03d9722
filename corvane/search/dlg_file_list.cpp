#include "corvane/search/dlg_file_list.h"

#include "corvane/app/player_settings.h"
#include "corvane/app/theme.h"

CDlgFileList::CDlgFileList(const PlayerSettings& settings, QWidget* parent)
    : QWidget(parent) {
  setObjectName("CDlgFileList");
  UsePanelTheme(*this, settings.bkColor);
}
