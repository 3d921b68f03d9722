#include "corvane/app/player_settings.h"

int DefaultSpeedUnit(int langSelect) {
  switch (langSelect) {
    case 0:
    case 1:
      return 0;
    case 2:
      return 2;
    default:
      return 1;
  }
}
