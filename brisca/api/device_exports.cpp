// The device-recording exports: the summary of a device file and the index
// reader family over CIndexReader. A handle that finds no index reader
// (zero, stale or forged) gets 1. No exception crosses the library
// boundary: an allocation failure inside becomes the same result.
#include <memory>

#include "brisca/api/brisca.h"
#include "brisca/api/export_guard.h"
#include "brisca/api/handle_table.h"
#include "brisca/device/device_reader.h"
#include "brisca/device/index_reader.h"

namespace {

using brisca::CIndexReader;

// Readers never closed by the caller are stopped when this table is
// destroyed at exit.
brisca::HandleTable<CIndexReader>& IndexReaderHandles() {
  static brisca::HandleTable<CIndexReader> table;
  return table;
}

template <typename Call>
int32_t WithIndexReader(uint32_t handle, Call call) {
  return brisca::WithHandle(IndexReaderHandles(), handle, 1, call);
}

}  // namespace

extern "C" {

int32_t BRISCA_CALL BR_GetFileParam(uint32_t decoder, RecFileParam* param, const char* path) {
  return brisca::Guarded(1, [&]() -> int32_t {
    if (!brisca::DecoderHandles().Find(decoder)) return 1;
    brisca::CFileAuds reader;
    return reader.ReadDeviceInfo(param, path);
  });
}

int32_t BRISCA_CALL BR_OpenIndexReader(const char* path, uint32_t* reader) {
  if (!path || !reader) return 1;
  return brisca::Guarded(1, [&] {
    auto opened = std::make_shared<CIndexReader>();
    if (opened->Open(path) != 0) return 1;
    const uint32_t handle = IndexReaderHandles().Issue(std::move(opened));
    if (handle == 0) return 1;
    *reader = handle;
    return 0;
  });
}

int32_t BRISCA_CALL BR_SetReaderCallBack(uint32_t reader, int32_t user,
                                         BR_INDEX_READER_CALLBACK callback) {
  return WithIndexReader(reader, [&](CIndexReader& index) {
    index.SetCallback(user, callback);
    return 0;
  });
}

int32_t BRISCA_CALL BR_GetIndexFileInfo(uint32_t reader, RecFileParam* param) {
  return WithIndexReader(reader, [&](CIndexReader& index) { return index.GetFileInfo(param); });
}

int32_t BRISCA_CALL BR_StartIndexReader(uint32_t reader) {
  return WithIndexReader(reader, [](CIndexReader& index) { return index.StartReading(); });
}

int32_t BRISCA_CALL BR_StopIndexReader(uint32_t reader) {
  return WithIndexReader(reader, [](CIndexReader& index) {
    if (index.OnWorkerThread()) return 1;
    return index.StopReading();
  });
}

int32_t BRISCA_CALL BR_CloseIndexReader(uint32_t reader) {
  return WithIndexReader(reader, [&](CIndexReader& index) {
    if (index.OnWorkerThread()) return 1;
    // Out of the table first, so no other call reaches it; the worker is
    // stopped here, whoever drops the object last.
    const std::shared_ptr<CIndexReader> erased = IndexReaderHandles().Erase(reader);
    if (erased) erased->StopReading();
    return 0;
  });
}

}  // extern "C"
