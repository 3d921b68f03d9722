// The export family of exports over CExportFileJv. An export handle that
// finds no export (zero, stale or forged) gets 1 and nothing happens. An
// export into its own source (the export folder it reads, or a folder
// holding the card image) is refused with 1. No exception crosses the
// library boundary.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "brisca/api/brisca.h"
#include "brisca/api/export_guard.h"
#include "brisca/api/handle_table.h"
#include "brisca/base/diag_log.h"
#include "brisca/export/export_file_jv.h"

namespace {

using brisca::CExportFileJv;

// Bytes of one recording-name slot in JV_StartExortFile's array.
constexpr size_t kNameSlotBytes = 260;

brisca::HandleTable<CExportFileJv>& ExportHandles() {
  // Exports never stopped by the caller are waited for when this table is
  // destroyed at exit; the process-wide objects their workers use are made
  // first so that they outlive it.
  static brisca::HandleTable<CExportFileJv> table = [] {
    brisca::ProcessLog();
    brisca::CardIndexManager();
    return brisca::HandleTable<CExportFileJv>();
  }();
  return table;
}

}  // namespace

extern "C" {

int32_t BRISCA_CALL JV_StartExortFile(const char* names, int32_t count, const char* folder,
                                      JV_EXPORT_CALLBACK callback, int32_t user, uint32_t* out) {
  if (!folder || !out || count < 0 || (count > 0 && !names)) return 1;
  return brisca::Guarded(1, [&] {
    std::vector<std::string> copies;
    copies.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
      const char* slot = names + static_cast<size_t>(i) * kNameSlotBytes;
      copies.emplace_back(slot, strnlen(slot, kNameSlotBytes));
    }
    auto worker = std::make_shared<CExportFileJv>(std::move(copies), folder, callback, user);
    // Refused before anything starts: the export would replace or delete
    // the recordings it copies.
    if (const std::string source = worker->OverlappingSource(); !source.empty()) {
      brisca::BrLog("JV_StartExortFile:1 %s %s", folder, source.c_str());
      return 1;
    }
    const uint32_t handle = ExportHandles().Issue(worker);
    if (handle == 0) return 1;
    if (worker->Start() != brisca::CThread::kStarted) {
      ExportHandles().Erase(handle);
      return 1;
    }
    *out = handle;
    return 0;
  });
}

int32_t BRISCA_CALL JV_StopExortFile(uint32_t handle) {
  return brisca::WithHandle(ExportHandles(), handle, 1, [&](CExportFileJv& worker) {
    // From the export's own callback the wait below would never end.
    if (worker.OnWorkerThread()) return 1;
    const std::shared_ptr<CExportFileJv> erased = ExportHandles().Erase(handle);
    if (erased) erased->Stop();
    return 0;
  });
}

}  // extern "C"
