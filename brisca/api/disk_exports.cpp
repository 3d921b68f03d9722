// The disk family of exports. No exception crosses the library boundary:
// an allocation failure inside becomes the failure result.
#include <cstdio>
#include <new>
#include <string>

#include "brisca/api/brisca.h"
#include "brisca/api/export_guard.h"
#include "brisca/api/handle_table.h"
#include "brisca/disk/disk_manager.h"

using brisca::Guarded;

extern "C" {

int32_t BRISCA_CALL NVR_SearchSD(int32_t index, NvrSearchResult* results) {
  return Guarded(0, [&] { return brisca::DiskManager().SearchSD(index, results); });
}

int32_t BRISCA_CALL NVR_GetDeniedDrives(char* first_path, int32_t size) {
  return Guarded(0, [&] {
    std::string first;
    const int count = brisca::DiskManager().DeniedDrives(first);
    if (first_path && size > 0) {
      std::snprintf(first_path, static_cast<size_t>(size), "%s", first.c_str());
    }
    return count;
  });
}

int32_t BRISCA_CALL NVR_SetDir(const char* folder, int32_t mode) {
  return Guarded(mode, [&] { return brisca::DiskManager().SetDir(folder, mode); });
}

int32_t BRISCA_CALL NVR_GetFileParam(RecFileParam** list, NVR_SEARCH_CALLBACK, int32_t) {
  return Guarded(1, [&] { return brisca::DiskManager().GetFileParam(list); });
}

void BRISCA_CALL NVR_FreeFileParam(void* list) { brisca::FreeFileParamArray(list); }

int32_t BRISCA_CALL NVR_Mount(uint32_t decoder, int32_t) {
  return Guarded(-1, [&] {
    if (!brisca::DecoderHandles().Find(decoder)) return -1;
    return brisca::DiskManager().Mount();
  });
}

int32_t BRISCA_CALL NVR_UnMount(uint32_t decoder, int32_t) {
  return Guarded(-1, [&] {
    if (!brisca::DecoderHandles().Find(decoder)) return -1;
    return brisca::DiskManager().Unmount();
  });
}

int32_t BRISCA_CALL JV_Mount(uint32_t decoder, int32_t disk) { return NVR_Mount(decoder, disk); }

int32_t BRISCA_CALL JV_UnMount(uint32_t decoder, int32_t disk) {
  return NVR_UnMount(decoder, disk);
}

void BRISCA_CALL JV_FreeFileParam(void* list) { NVR_FreeFileParam(list); }

}  // extern "C"
