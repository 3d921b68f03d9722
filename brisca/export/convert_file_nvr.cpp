#include "brisca/export/convert_file_nvr.h"

#include <algorithm>
#include <deque>
#include <limits>
#include <span>
#include <utility>

#include "brisca/base/diag_log.h"
#include "brisca/decode/cadec_factory.h"
#include "brisca/disk/disk_manager.h"
#include "brisca/disk/disk_reader.h"
#include "brisca/export/convert_range.h"
#include "brisca/export/voice_decode_stage.h"
#include "brisca/export/write_destination.h"
#include "brisca/recordings/listed_source.h"

namespace brisca {
namespace {

// The PCM track: what the voice decoders put out is stored as it comes.
constexpr int kPcmFormatTag = 1;
constexpr int kPcmBitRateKbps = 128;

// Frames the conversion's reader can hand out: video frames wait in the
// reader's pool while the voice before them is decoded.
constexpr size_t kReaderPoolFrames = 48;

std::unique_ptr<CRecFile> MakeDiskOrStreamReader(const std::string& source) {
  return std::make_unique<CFileNvr>(SourceKindOfName(source), kReaderPoolFrames);
}

// Progress values are byte distances in the recording handed over as 32-bit
// values. Ranges beyond 2 GiB are scaled down by a power of two, so done and
// total keep their ratio and no value wraps (a wrapped one could even read
// as -1, the failure report).
class ProgressScale {
 public:
  explicit ProgressScale(uint64_t total) {
    while ((total >> shift_) > uint64_t{std::numeric_limits<int32_t>::max()}) ++shift_;
  }
  int32_t operator()(uint64_t value) const {
    return static_cast<int32_t>(
        std::min<uint64_t>(value >> shift_, std::numeric_limits<int32_t>::max()));
  }

 private:
  int shift_ = 0;
};

}  // namespace

CConvertFileNvr::CConvertFileNvr(std::string source, std::string destination)
    : CConvertFileNvr(std::move(source), std::move(destination), MakeDiskOrStreamReader) {}

CConvertFileNvr::CConvertFileNvr(std::string source, std::string destination,
                                 ReaderFactory make_reader)
    : CThread("brisca-convert"),
      source_(std::move(source)),
      destination_(std::move(destination)),
      make_reader_(std::move(make_reader)) {}

CConvertFileNvr::~CConvertFileNvr() { Finish(); }

void CConvertFileNvr::SetCallback(uint32_t user, JV_CONVERT_PROGRESS_CALLBACK callback) {
  const std::lock_guard lock(callback_mutex_);
  user_ = user;
  callback_ = callback;
}

int CConvertFileNvr::StartConversion(uint32_t packed_start, uint32_t packed_end) {
  const std::lock_guard lock(start_mutex_);
  if (finishing_) return -1;
  if (IsStarted()) return 0;
  packed_start_ = packed_start;
  packed_end_ = packed_end;
  return Start() == kStarted ? 0 : -1;
}

void CConvertFileNvr::Finish() {
  const std::lock_guard lock(start_mutex_);
  finishing_ = true;
  // The body does not watch the stop event: this waits for the whole range.
  Stop();
}

bool CConvertFileNvr::OnWorkerThread() const {
  return worker_id_.load() == std::this_thread::get_id();
}

uint32_t CConvertFileNvr::Run() {
  worker_id_ = std::this_thread::get_id();
  // The range was stored before the thread was made, and is not written
  // while it runs.
  const int result = Convert(packed_start_, packed_end_);
  worker_id_ = std::thread::id{};
  return static_cast<uint32_t>(result);
}

void CConvertFileNvr::Report(int32_t done, int32_t total) {
  JV_CONVERT_PROGRESS_CALLBACK callback = nullptr;
  uint32_t user = 0;
  {
    const std::lock_guard lock(callback_mutex_);
    callback = callback_;
    user = user_;
  }
  if (callback) callback(user, done, total);
}

int CConvertFileNvr::Convert(uint32_t packed_start, uint32_t packed_end) {
  // Opening the AVI file would truncate the stream file it copies, or the
  // disk image the recording lies on.
  const std::string medium = SourceKindOfName(source_) == SourceKind::kHostFile
                                 ? source_
                                 : DiskManager().MountedPath();
  // A disk image listed by path (disk manager mode 0) is what NVR_Mount
  // mounted, whatever the manager's folder says now.
  const ListedSource listed = CurrentListedSource();
  const std::string listed_image =
      SourceKindOfName(source_) == SourceKind::kDiskStream && listed.kind == ListedKind::kDiskImage
          ? listed.path
          : "";
  if (DestinationOverlapsSource(destination_, medium) ||
      (!listed_image.empty() && DestinationOverlapsSource(destination_, listed_image))) {
    BrLog("CConvertFileNvr::Run:8 %s %s", destination_.c_str(), medium.c_str());
    Report(-1, 0);
    return -1;
  }
  std::unique_ptr<CRecFile> reader = make_reader_ ? make_reader_(source_) : nullptr;
  if (!reader || reader->Open(source_.c_str()) != 0) {
    BrLog("CConvertFileNvr::Run:1 %s", source_.c_str());
    return -1;
  }
  RecFileInfo info{};
  reader->CopyFileInfo(&info);
  const ConvertRange range =
      ComputeConvertRange(info.start_time, info.end_time, packed_start, packed_end);
  if (range.verdict != RangeVerdict::kOk) {
    BrLog("CConvertFileNvr::Run:2 %s %06x %06x %d", source_.c_str(), packed_start, packed_end,
          static_cast<int>(range.verdict));
    // A time that is no time of day is the caller's mistake, which it must
    // hear of; the other refusals end silently, as callers expect.
    if (range.verdict == RangeVerdict::kInvalidTime) Report(-1, 0);
    return -1;
  }
  int32_t width = 0;
  int32_t height = 0;
  reader->GetPictureSize(&width, &height);
  uint64_t first = 0;
  uint64_t last = 0;
  // A range whose end lands on the start's key frame holds nothing to copy.
  if (!reader->QueryRange(range.start_ms, range.end_ms, &first, &last) || last <= first) {
    BrLog("CConvertFileNvr::Run:3 %s %d %d", source_.c_str(), range.start_ms, range.end_ms);
    return -1;
  }
  const ProgressScale scale(last - first);

  std::unique_ptr<CADEC> decoder = CreateAudioDecoder(info.audio_codec);
  decoder->Open();
  int error = AVI_ERR_NONE;
  std::unique_ptr<CAviWriter> avi = CAviWriter::Open(destination_.c_str(), &error);
  if (!avi) {
    BrLog("CConvertFileNvr::Run:4 %s %s", destination_.c_str(), AviErrorText(error));
    Report(-1, scale(last));
    return 0;
  }
  // The track describes the samples as the decoder puts them out, whatever
  // format the recording claims for its voice.
  const AudioOutputFormat& pcm = decoder->output_format();
  bool copied = avi->SetVideo(width, height, info.frame_rate, "h264") == 0 &&
                avi->SetAudio(pcm.channels, static_cast<int32_t>(pcm.samples_per_second),
                              pcm.bits_per_sample, kPcmFormatTag, kPcmBitRateKbps) == 0;
  uint64_t position = first;
  copied = copied && CopyFrames(*reader, *decoder, *avi, first, last, position);
  if (avi->Close() != 0) {
    BrLog("CConvertFileNvr::Run:5 %s %s", destination_.c_str(), AviErrorText(avi->error()));
    copied = false;
  }
  reader->Close();
  if (!copied || position < last) {
    Report(-1, scale(last));
  } else {
    Report(scale(last - first), scale(last - first));
  }
  return 0;
}

bool CConvertFileNvr::CopyFrames(CRecFile& reader, CADEC& decoder, CAviWriter& avi, uint64_t first,
                                 uint64_t last, uint64_t& position) {
  const ProgressScale scale(last - first);
  // Frames read and not yet written, in reading order: video frames held
  // in the reader's pool, voice frames as places in the decode stage.
  struct Pending {
    RecFrame* video;  // null for voice
    uint64_t position;
  };
  std::deque<Pending> pending;
  // Each read may take a media frame and a telemetry frame from the pool.
  const size_t held_video_limit = std::max<size_t>(reader.pool_frame_count(), 3) - 2;
  size_t held_video = 0;
  VoiceDecodeStage voice(decoder, held_video_limit + 16);

  // Writes the oldest pending frame, waiting for its samples when `wait`;
  // false when it was not ready or the write failed (then `failed`).
  bool failed = false;
  const auto write_oldest = [&](bool wait) {
    const Pending oldest = pending.front();
    if (oldest.video == nullptr) {
      if (!wait && !voice.OldestReady()) return false;
      const std::span<const uint8_t> samples = voice.TakeOldest();
      pending.pop_front();
      // A frame the decoder refused gives no samples and no empty chunk.
      failed = !samples.empty() && avi.WriteAudio(samples.data(),
                                                  static_cast<uint32_t>(samples.size())) != 0;
      return !failed;
    }
    pending.pop_front();
    --held_video;
    const RecFrame& frame = *oldest.video;
    failed = avi.WriteVideoFrame(frame.data, frame.length, frame.kind == FRAME_VIDEO_KEY) != 0;
    reader.ReleaseFrame(oldest.video);
    // Scaled down, a frame near the end could read as done; only the final
    // report says so.
    if (!failed && oldest.position < last)
      Report(std::min(scale(oldest.position > first ? oldest.position - first : 0),
                      scale(last - first) - 1),
             scale(last - first));
    return !failed;
  };
  const auto release_pending = [&] {
    for (const Pending& item : pending) {
      if (item.video) reader.ReleaseFrame(item.video);
    }
    pending.clear();
  };

  bool read_failed = false;
  while (!failed && reader.current_frame_position() < last) {
    // Room for the next read: below the limits of held video and waiting voice.
    while (!failed && !pending.empty() && (held_video >= held_video_limit || voice.Full()))
      write_oldest(true);
    if (failed) break;
    RecFrame* frame = nullptr;
    RecFrame* info = nullptr;
    if (reader.ReadFrame(&frame, &info) != 0) {
      BrLog("CConvertFileNvr::Run:6 %s %llu", source_.c_str(),
            static_cast<unsigned long long>(position));
      read_failed = true;
      break;
    }
    // Telemetry that came with the frame is not written.
    if (info) reader.ReleaseFrame(info);
    position = reader.current_frame_position();
    if (frame->kind == FRAME_AUDIO) {
      voice.Submit(frame->data, frame->length);
      reader.ReleaseFrame(frame);
      pending.push_back({nullptr, position});
    } else if (frame->kind == FRAME_VIDEO_KEY || frame->kind == FRAME_VIDEO_PREDICTED) {
      pending.push_back({frame, position});
      ++held_video;
    } else {
      reader.ReleaseFrame(frame);
    }
    while (!failed && !pending.empty() && write_oldest(false)) {
    }
  }
  // What was read before a read failure is still written.
  while (!failed && !pending.empty()) write_oldest(true);
  release_pending();
  if (failed) {
    BrLog("CConvertFileNvr::Run:7 %s %s", destination_.c_str(), AviErrorText(avi.error()));
    return false;
  }
  return !read_failed;
}

}  // namespace brisca
