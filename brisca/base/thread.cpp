#include "brisca/base/thread.h"

#include <pthread.h>

#include <system_error>
#include <utility>

#include "brisca/base/diag_log.h"

namespace brisca {

CThread::CThread(std::string name) : name_(std::move(name)) {}

CThread::~CThread() {
  if (thread_.joinable()) Stop(kInfinite);
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
  return 1;
}

int CThread::Stop(uint32_t timeout_ms) {
  if (!thread_.joinable()) return 0;
  stop_event_.Set();
  if (!finished_.Wait(timeout_ms)) {
    BrDebugOutput(1, "CThread::Stop %s still running after %u ms, waiting",
                  name_.c_str(), timeout_ms);
  }
  thread_.join();
  entry_ = nullptr;
  user_ = nullptr;
  return 1;
}

uint32_t CThread::Run() { return 0; }

void CThread::Body() {
  // Linux keeps at most 15 characters of a thread name.
  pthread_setname_np(pthread_self(), name_.substr(0, 15).c_str());
  exit_code_ = entry_ ? entry_(user_) : Run();
  finished_.Set();
}

}  // namespace brisca
