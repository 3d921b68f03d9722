// The export worker: copies chosen card recordings into a host folder as
// evf containers "P_flyFFFFF.evf" and one index file "P_index00.bin" per
// card partition, which the card index reads back in folder mode. The
// object behind an export handle.
//
// Threads: the owner (the exports) constructs, starts and stops; the
// callback runs on the worker. A stop lets the recording being copied
// finish and ends the export before the next one. The worker reads through
// the process's card index and card volume: no listing, probe or other
// export may run meanwhile.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "brisca/base/thread.h"
#include "brisca/card/card_index_manager.h"
#include "brisca/card/card_reader.h"
#include "brisca/types/brisca_types.h"

namespace brisca {

class CExportFileJv : public CThread {
 public:
  // `names`: recording names "P\F\S" of the index listed last; `folder`:
  // the destination, which must exist.
  CExportFileJv(std::vector<std::string> names, std::string folder,
                JV_EXPORT_CALLBACK callback, int32_t user,
                CIndexFileJvMgr& index = CardIndexManager());
  // Stops and waits for the worker.
  ~CExportFileJv() override;

  // True on the worker's own thread, where stopping would wait for itself.
  bool OnWorkerThread() const;

  // The export itself, on the calling thread (the worker's body): the
  // number of recordings copied. The callback gets the overall progress
  // after each index block copied, and at the end -1 when fewer recordings
  // were copied than named, else 100.
  size_t Export();

 protected:
  uint32_t Run() override;

 private:
  // Deletes the folder's earlier export: its index files, and every file
  // whose name contains "fly" and whose extension is exactly "evf".
  void DeleteEarlierExport();
  // Copies recording `names_[i]` to the end of its container in the folder;
  // false when it could not be read or written. `region_offset`: where it
  // starts in that container.
  bool CopyRecording(size_t i, uint32_t* region_offset);
  void Report(int32_t value);

  const std::vector<std::string> names_;
  const std::string folder_;
  const JV_EXPORT_CALLBACK callback_;
  const int32_t user_;
  CIndexFileJvMgr& index_;
  int32_t last_report_ = -1;  // worker only
  std::atomic<std::thread::id> worker_id_{};
};

}  // namespace brisca
