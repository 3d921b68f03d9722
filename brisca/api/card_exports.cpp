// The card family of exports: the card search and listing over the card
// index manager, and the test for an existing export. No exception crosses
// the library boundary: a failure inside (an allocation) becomes the
// failure result.
#include "brisca/api/brisca.h"
#include "brisca/api/export_guard.h"
#include "brisca/card/card_index_manager.h"

using brisca::Guarded;

extern "C" {

int32_t BRISCA_CALL JV_SetDir(const char* folder, int32_t mode) {
  return Guarded(mode, [&] { return brisca::CardIndexManager().SetDir(folder, mode); });
}

int32_t BRISCA_CALL JV_SearchSD(int32_t drive, JvSearchResult* results) {
  return Guarded(0, [&] { return brisca::CardIndexManager().SearchSD(drive, results); });
}

int32_t BRISCA_CALL JV_GetFileParam(RecFileParam** list, JV_SEARCH_CALLBACK callback,
                                    int32_t user) {
  return Guarded(0, [&] { return brisca::CardIndexManager().GetFileParam(list, callback, user); });
}

int32_t BRISCA_CALL JV_IsExistsExortFile(const char* folder) {
  return Guarded(0, [&] { return brisca::CIndexFileJvMgr::ExportExists(folder); });
}

}  // extern "C"
