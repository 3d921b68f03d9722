// Turns a recognised stream frame into the records handed to the engine: the
// media frame itself and, for a video frame that carries a GPS fix, a
// FRAME_INFO frame with its 48-byte InfoRecord.
#pragma once

#include "brisca/recordings/frame_pool.h"
#include "brisca/stream/info_record.h"
#include "brisca/stream/stream_frame.h"

namespace brisca {

// The telemetry record of a frame: the GPS fields always (the frame must
// carry EXT_GPS), date and time only when the same frame carries a valid clock.
InfoRecord MakeInfoRecord(const StreamFrame& frame);

// Takes the frames from `pool` and fills them. `*info` is set to null when the
// frame has no telemetry. Returns false, taking nothing, when the pool cannot
// supply every frame needed.
bool MakeRecords(const StreamFrame& frame, FramePool& pool, RecFrame** media,
                 RecFrame** info);

}  // namespace brisca
