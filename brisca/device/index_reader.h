// The index reader: opens one device recording file, offers its summary
// record and walks all of its telemetry records on a worker thread,
// reporting through its callback when the walk has reached the end. The
// object behind an index-reader handle.
//
// Threads: the owner (the exports) opens, sets the callback, starts, stops
// and destroys; the callback runs on the worker thread. GetFileInfo may be
// called from any thread at any time.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

#include "brisca/base/thread.h"
#include "brisca/device/device_reader.h"
#include "brisca/types/brisca_types.h"

namespace brisca {

class CIndexReader : public CThread {
 public:
  // The one event: the walk reached the end of the file (value 0).
  static constexpr int32_t kEventEnd = 2;
  // Records walked between two 5 ms pauses, which keep the walk from
  // monopolising the disk.
  static constexpr uint32_t kRecordsPerPause = 50;
  static constexpr uint32_t kPauseMs = 5;
  // How long a stop waits before saying so (it keeps waiting: no thread is
  // killed).
  static constexpr uint32_t kStopTimeoutMs = 1000;

  CIndexReader();
  // Stops the worker.
  ~CIndexReader() override;

  // Opens the device recording at `path`, rewound to its first chunk. 0, or
  // 1 when it is no device recording this library reads.
  int Open(const char* path);
  // The callback (null for none) and the value passed to it as `user`. May
  // be changed while the worker runs.
  void SetCallback(int32_t user, BR_INDEX_READER_CALLBACK callback);
  // Copies the summary record the reader filled when opening. 0; 1 for a
  // null record.
  int GetFileInfo(RecFileParam* out);
  // 0 when the worker was started; 1 when it runs already (or has run and
  // was not stopped) or no thread could be made. The walk continues from
  // where a stopped walk ended.
  int StartReading();
  // Signals the worker and waits for it; it ends without a callback unless
  // it had already reported the end. 0.
  int StopReading();

  // True on the worker's own thread, where a stop would wait for itself.
  bool OnWorkerThread() const;
  // Telemetry records walked so far.
  uint64_t records_walked() const { return records_walked_.load(); }

 protected:
  uint32_t Run() override;

 private:
  void ReportEnd();

  CFileAuds reader_;  // locks each operation itself

  std::mutex callback_mutex_;  // guards the callback and its user value
  BR_INDEX_READER_CALLBACK callback_ = nullptr;
  int32_t user_ = 0;

  std::atomic<uint64_t> records_walked_{0};
  std::atomic<std::thread::id> worker_id_{};
};

}  // namespace brisca
