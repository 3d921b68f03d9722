// The conversion family of exports over CConvertFileNvr. A handle that finds
// no conversion (zero, stale or forged) gets -1. No exception crosses the
// library boundary: an allocation failure inside becomes the same result.
#include <memory>

#include "brisca/api/brisca.h"
#include "brisca/api/export_guard.h"
#include "brisca/api/handle_table.h"
#include "brisca/base/diag_log.h"
#include "brisca/disk/tvfs_instance.h"
#include "brisca/export/convert_file_nvr.h"

namespace {

using brisca::CConvertFileNvr;

brisca::HandleTable<CConvertFileNvr>& ConversionHandles() {
  // Conversions never destroyed by the caller are finished when this table
  // is destroyed at exit; the process-wide objects their workers use are
  // made first so that they outlive it.
  static brisca::HandleTable<CConvertFileNvr> table = [] {
    brisca::ProcessLog();
    brisca::ProcessTvfs();
    return brisca::HandleTable<CConvertFileNvr>();
  }();
  return table;
}

template <typename Call>
int32_t WithConversion(uint32_t convert, Call call) {
  return brisca::WithHandle(ConversionHandles(), convert, -1, call);
}

}  // namespace

extern "C" {

uint32_t BRISCA_CALL JV_CONVERTDLL_InitDllMange(const char* source, const char* destination) {
  if (!source || !destination) return 0;
  return brisca::Guarded(0u, [&] {
    return ConversionHandles().Issue(std::make_shared<CConvertFileNvr>(source, destination));
  });
}

int32_t BRISCA_CALL JV_CONVERTDLL_UnInitDllMange(uint32_t convert) {
  return WithConversion(convert, [&](CConvertFileNvr& conversion) {
    // From the conversion's own callback the wait below would never end.
    if (conversion.OnWorkerThread()) return -1;
    // Out of the table first, so no later call starts it again; the caller
    // gets back only when the worker is done, whoever drops the object last.
    const std::shared_ptr<CConvertFileNvr> erased = ConversionHandles().Erase(convert);
    if (erased) erased->Finish();
    return 0;
  });
}

int32_t BRISCA_CALL JV_CONVERTDLL_RegisterCovInfoCallBack(uint32_t convert, uint32_t user,
                                                          JV_CONVERT_PROGRESS_CALLBACK callback) {
  return WithConversion(convert, [&](CConvertFileNvr& conversion) {
    conversion.SetCallback(user, callback);
    return 0;
  });
}

int32_t BRISCA_CALL JV_CONVERTDLL_ConvertH264ToAVI(uint32_t convert, uint32_t, uint32_t,
                                                   uint32_t start, uint32_t end, uint32_t) {
  return WithConversion(
      convert, [&](CConvertFileNvr& conversion) { return conversion.StartConversion(start, end); });
}

}  // extern "C"
