#include "brisca/base/thread.h"

#include <pthread.h>

#include <system_error>
#include <utility>

#include "brisca/base/diag_log.h"

namespace brisca {

CThread::CThread(std::string name) : name_(std::move(name)) {}

CThread::~CThread() {
  if (!thread_.joinable()) return;
  // A body that drops the last reference to its own object cannot wait
  // for itself; it is already on its way out.
  if (IsCurrentThread()) {
    stop_event_.Set();
    thread_.detach();
    return;
  }
  Stop(kInfinite);
}

int CThread::Start(EntryFunction entry, void* user) {
  if (thread_.joinable()) return 0;
  entry_ = entry;
  user_ = user;
  stop_event_.Reset();
  finished_.Reset();
  try {
    thread_ = std::thread(&CThread::Body, this);
  } catch (const std::system_error&) {
    return 0;
  }
  return kStarted;
}

int CThread::Stop(uint32_t timeout_ms) {
  if (!thread_.joinable()) return 0;
  stop_event_.Set();
  if (IsCurrentThread()) {
    // Waiting for itself would never end: the body sees the event and
    // returns, and the owner's next Stop joins it.
    BrDebugOutput(1, "CThread::Stop %s asked from its own thread", name_.c_str());
    return 0;
  }
  if (!finished_.Wait(timeout_ms)) {
    BrDebugOutput(1, "CThread::Stop %s still running after %u ms, waiting",
                  name_.c_str(), timeout_ms);
  }
  thread_.join();
  entry_ = nullptr;
  user_ = nullptr;
  return 1;
}

bool CThread::IsCurrentThread() const {
  return thread_.joinable() && thread_.get_id() == std::this_thread::get_id();
}

uint32_t CThread::Run() { return 0; }

void NameCurrentThread(const std::string& name) {
  // Linux keeps at most 15 characters of a thread name.
  pthread_setname_np(pthread_self(), name.substr(0, 15).c_str());
}

void CThread::Body() {
  NameCurrentThread(name_);
  exit_code_ = entry_ ? entry_(user_) : Run();
  finished_.Set();
}

}  // namespace brisca
