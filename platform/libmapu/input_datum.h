#pragma once

// Which datum the positions of the MAP_* calls are in. The program converts
// a position with MAP_ConvertGps before handing it over when its GPS
// correction is on, and hands raw WGS-84 when it is off; the map is told
// nothing else. So a conversion marks the positions that follow, up to and
// including the next MAP_TKPushPoint (the last call made per position), as
// being in the datum it produced; without a mark they are WGS-84.
// Process-wide, as MAP_ConvertGps has no map; safe from any thread.

#include "platform/libmapu/gps_datum.h"

namespace mapu {

// MAP_ConvertGps produced a position in `datum`.
void NoteConversion(Datum datum);
// The datum of a position handed in now.
Datum InputDatum();
// A position's calls are done (MAP_TKPushPoint): the mark is cleared.
void ClearConversionMark();

}  // namespace mapu
