#include "brisca/device/index_reader.h"

namespace brisca {

CIndexReader::CIndexReader() : CThread("brisca-index") {}

CIndexReader::~CIndexReader() { StopReading(); }

int CIndexReader::Open(const char* path) {
  if (reader_.Open(path) != 0) return 1;
  return reader_.Rewind();
}

void CIndexReader::SetCallback(int32_t user, BR_INDEX_READER_CALLBACK callback) {
  const std::lock_guard lock(callback_mutex_);
  user_ = user;
  callback_ = callback;
}

int CIndexReader::GetFileInfo(RecFileParam* out) {
  if (!out) return 1;
  *out = reader_.file_param();
  return 0;
}

int CIndexReader::StartReading() { return Start() == kStarted ? 0 : 1; }

int CIndexReader::StopReading() {
  Stop(kStopTimeoutMs);
  return 0;
}

bool CIndexReader::OnWorkerThread() const {
  return worker_id_.load() == std::this_thread::get_id();
}

uint32_t CIndexReader::Run() {
  worker_id_ = std::this_thread::get_id();
  bool reached_end = false;
  uint32_t count = 0;
  while (!StopRequested()) {
    RecFrame* info = nullptr;
    if (reader_.ReadInfoFrame(0, &info) != 0) {
      reached_end = true;
      break;
    }
    reader_.ReleaseFrame(info);
    records_walked_.fetch_add(1, std::memory_order_relaxed);
    // The pause waits on the stop event, so a stop ends it at once.
    if (++count % kRecordsPerPause == 0 && stop_event().Wait(kPauseMs)) break;
  }
  if (reached_end) ReportEnd();
  worker_id_ = std::thread::id{};
  return 0;
}

void CIndexReader::ReportEnd() {
  BR_INDEX_READER_CALLBACK callback = nullptr;
  int32_t user = 0;
  {
    const std::lock_guard lock(callback_mutex_);
    callback = callback_;
    user = user_;
  }
  if (callback) callback(kEventEnd, 0, user);
}

}  // namespace brisca
