// Library set-up and tear-down: BR_Initialize starts the process-wide
// worker, whose body makes sure the colour-conversion tables exist and ends;
// BR_UnInitialize stops it. Loading the library builds the tables at once
// and unloading it performs BR_UnInitialize, so no worker outlives the code
// it runs.
#include <signal.h>

#include <mutex>

#include "brisca/api/brisca.h"
#include "brisca/api/export_guard.h"
#include "brisca/base/thread.h"
#include "brisca/present/color_tables.h"

namespace {

// A write past the file size limit raises SIGXFSZ, which by default ends
// the process with the AVI and export files half-finished. Ignored, the
// write fails with EFBIG and the writers end their files as on a full disk.
// A handler the host program installed is its own business and stays.
void IgnoreFileSizeSignal() {
  struct sigaction current {};
  if (sigaction(SIGXFSZ, nullptr, &current) != 0) return;
  if ((current.sa_flags & SA_SIGINFO) != 0 || current.sa_handler != SIG_DFL) return;
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGXFSZ, &ignore, nullptr);
}

uint32_t BuildConversionTables(void*) {
  brisca::Bgr24ConversionTables();
  brisca::Rgb565ConversionTables();
  return 0;
}

class LibraryLifetime {
 public:
  LibraryLifetime() {
    IgnoreFileSizeSignal();
    BuildConversionTables(nullptr);
  }
  ~LibraryLifetime() { BR_UnInitialize(); }
  LibraryLifetime(const LibraryLifetime&) = delete;
  LibraryLifetime& operator=(const LibraryLifetime&) = delete;

  // Start and Stop of the worker must come from one thread at a time.
  void Start() {
    const std::lock_guard lock(mutex_);
    worker_.Start(BuildConversionTables);
  }
  void Stop() {
    const std::lock_guard lock(mutex_);
    worker_.Stop();
  }

 private:
  std::mutex mutex_;
  brisca::CThread worker_{"brisca-init"};
};

LibraryLifetime library;

}  // namespace

extern "C" {

int32_t BRISCA_CALL BR_Initialize(void) {
  // A lock that cannot be taken leaves the tables to be built on first use.
  return brisca::Guarded(0, [] {
    library.Start();
    return 0;
  });
}

int32_t BRISCA_CALL BR_UnInitialize(void) {
  // Only the lock can throw here, and then no worker was touched.
  return brisca::Guarded(0, [] {
    library.Stop();
    return 0;
  });
}

}  // extern "C"
