#include "brisca/api/handle_table.h"

#include "brisca/base/diag_log.h"
#include "brisca/disk/tvfs_instance.h"
#include "brisca/engine/tick_clock.h"

namespace brisca {

HandleTable<CMulPlay>& DecoderHandles() {
  // Decoders the caller never erased are closed when this table is destroyed
  // at exit. Static objects are destroyed in reverse order of construction,
  // so the process-wide objects their channels use are made first and thus
  // outlive the table.
  static HandleTable<CMulPlay> table = [] {
    ProcessLog();
    SystemTickClock();
    ProcessTvfs();
    return HandleTable<CMulPlay>();
  }();
  return table;
}

}  // namespace brisca
