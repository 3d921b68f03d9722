// The export worker: copies chosen card recordings into a host folder as
// evf containers "P_flyFFFFF.evf" and one index file "P_index00.bin" per
// card partition, which the card index reads back in folder mode. The
// object behind an export handle.
//
// The export is written into a new folder beside the destination and
// replaces the earlier export only once every file was written whole: a
// failed or stopped export leaves the destination as it was.
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
  // number of recordings placed in the folder, all of them or 0. The
  // callback gets the overall progress after each index block copied
  // (below 100), and at the end 100 once the export is in place, else -1.
  size_t Export();

  // The card drive or export folder the export reads that the destination
  // is, lies inside or holds; empty when they are apart. Such an export is
  // refused: it would replace or delete what it copies.
  std::string OverlappingSource() const;

 protected:
  uint32_t Run() override;

 private:
  // Writes the whole export into `into`; false when any of it failed or a
  // stop came first.
  bool WriteExport(const std::string& into);
  // Copies recording `names_[i]` to the end of its container in `into`;
  // false when it could not be read or written. `region_offset`: where it
  // starts in that container.
  bool CopyRecording(size_t i, const std::string& into, uint32_t* region_offset);
  void Report(int32_t value);

  const std::vector<std::string> names_;
  const std::string folder_;
  const JV_EXPORT_CALLBACK callback_;
  const int32_t user_;
  CIndexFileJvMgr& index_;
  std::atomic<std::thread::id> worker_id_{};
};

}  // namespace brisca
