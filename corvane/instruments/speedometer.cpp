#include "corvane/instruments/speedometer.h"

#include "corvane/app/player_settings.h"
#include "corvane/app/theme.h"

CSpeedometer::CSpeedometer(const PlayerSettings& settings, QWidget* parent)
    : QWidget(parent) {
  setObjectName("CSpeedometer");
  UsePanelTheme(*this, settings.bkColor);
}
