// The AVI conversion worker: copies a time range of one recording into an
// AVI file on its own thread, the H.264 frames unchanged and the voice
// decoded to 8 kHz mono 16-bit PCM, and reports progress through the
// conversion callback. The object behind a conversion handle.
//
// Threads: the owner (the exports) constructs, registers the callback,
// starts and destroys; the callback runs on the worker thread. Once
// started, a conversion runs to the end of its range or its first failure;
// destroying the object waits for it.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "brisca/base/thread.h"
#include "brisca/decode/cadec.h"
#include "brisca/export/avi_writer.h"
#include "brisca/recordings/rec_file.h"
#include "brisca/types/brisca_types.h"

namespace brisca {

class CConvertFileNvr : public CThread {
 public:
  // Makes the (unopened) reader for a source path.
  using ReaderFactory = std::function<std::unique_ptr<CRecFile>(const std::string& source)>;
  // Exit code of a run that ended before copying, without a callback.
  static constexpr uint32_t kRunFailed = 0xFFFFFFFFu;

  // `source`: a recording name of the mounted recorder disk ("disk\a\b"), or
  // the path of a stream file (containing '/'). `destination`: the AVI file.
  CConvertFileNvr(std::string source, std::string destination);
  // The same with another reader; tests and fuzzers pass one in.
  CConvertFileNvr(std::string source, std::string destination, ReaderFactory make_reader);
  // Waits for a running conversion to finish.
  ~CConvertFileNvr() override;

  // The callback for progress and the final report; null for none. May be
  // changed while the worker runs; a report already under way may still
  // reach the previous callback.
  void SetCallback(uint32_t user, JV_CONVERT_PROGRESS_CALLBACK callback);

  // Starts the worker on the range given by two packed clock times. 0 when
  // it was started, or had been started before (the range is then left as
  // it was: one conversion per object); -1 when no thread could be made or
  // the object is finishing.
  int StartConversion(uint32_t packed_start, uint32_t packed_end);

  // Waits for the worker, if one was started, and refuses later starts.
  void Finish();

  // True on the worker's own thread, where Finish would wait for itself.
  bool OnWorkerThread() const;

  // The conversion itself, on the calling thread (the worker's body). 0
  // after the final report: (total, total) when the range was copied, (-1,
  // last position) when reading, writing or creating the file failed.
  // -1 (kRunFailed as an exit code) without any report when the source
  // cannot be opened, the range starts after the recording or holds no
  // frame to copy; the same after a report (-1, 0) when a time is invalid
  // or the destination is, holds or lies inside what is read (the stream
  // file, or the mounted disk's image or drive). No file is made then.
  int Convert(uint32_t packed_start, uint32_t packed_end);

 protected:
  uint32_t Run() override;

 private:
  // Copies the frames from the reader's position up to and including the
  // one at `last`, reporting progress after each video frame. False when a
  // read or write failed; `position` is then where the copy stopped.
  bool CopyFrames(CRecFile& reader, CADEC& decoder, CAviWriter& avi, uint64_t first, uint64_t last,
                  uint64_t& position);
  void Report(int32_t done, int32_t total);

  const std::string source_;
  const std::string destination_;
  const ReaderFactory make_reader_;

  std::mutex start_mutex_;     // guards the fields below and starting the thread
  uint32_t packed_start_ = 0;  // written only while no worker runs
  uint32_t packed_end_ = 0;
  bool finishing_ = false;

  std::mutex callback_mutex_;  // guards the callback and its user value
  JV_CONVERT_PROGRESS_CALLBACK callback_ = nullptr;
  uint32_t user_ = 0;

  std::atomic<std::thread::id> worker_id_{};
};

}  // namespace brisca
