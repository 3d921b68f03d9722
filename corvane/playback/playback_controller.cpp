#include "corvane/playback/playback_controller.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>

#include "brisca/api/brisca.h"
#include "platform/libmapu/libmapu.h"

namespace {

constexpr int kProgressMs = 750;
constexpr int kVehicleRetryMs = 300;

// The library's callbacks carry a 32-bit user value, too narrow for a
// pointer: they find the controller here, and the value is the generation
// of the decoder they were registered for. The controller leaves under the
// lock, so a callback never posts to one being destroyed.
std::mutex g_callbackMutex;
PlaybackController* g_controller = nullptr;
// Generations are unique in the process, so a tag never matches another
// controller's decoder.
std::atomic<uint64_t> g_lastGeneration{0};

// Queues `call(controller)` on the window thread; dropped when the
// controller is gone by then.
template <typename Call>
void PostToController(Call call) {
  const std::lock_guard lock(g_callbackMutex);
  PlaybackController* controller = g_controller;
  if (controller)
    QMetaObject::invokeMethod(controller, [controller, call] { call(*controller); }, Qt::QueuedConnection);
}

bool ConvertForMap(double longitude, double latitude, int mode, double& outLongitude, double& outLatitude) {
  return MAP_ConvertGps(0, longitude, latitude, mode, &outLongitude, &outLatitude) == 0;
}

// Milliseconds of a monotonic clock, wrapping at 32 bits.
uint32_t TickMs() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

}  // namespace

PlaybackController::PlaybackController(QObject* parent) : QObject(parent), telemetry_(&ConvertForMap) {
  {
    const std::lock_guard lock(g_callbackMutex);
    g_controller = this;
  }
  progress_.setInterval(kProgressMs);
  connect(&progress_, &QTimer::timeout, this, [this] {
    int32_t position = 0;
    if (decoder_ != 0 && BR_GetPlayTime(decoder_, &position) == 0) emit positionChanged(position);
  });
  vehicleTimer_.setInterval(kVehicleRetryMs);
  connect(&vehicleTimer_, &QTimer::timeout, this, [this] {
    if (!insertVehicle_ || insertVehicle_()) vehicleTimer_.stop();
  });
}

void PlaybackController::SetMapVehicle(std::function<bool()> insert, std::function<void()> remove) {
  insertVehicle_ = std::move(insert);
  removeVehicle_ = std::move(remove);
}

PlaybackController::~PlaybackController() {
  // Nobody hears the last Stop: the page may be going too.
  disconnect(this, nullptr, nullptr, nullptr);
  {
    const std::lock_guard lock(g_callbackMutex);
    if (g_controller == this) g_controller = nullptr;
  }
  Stop();
}

void PlaybackController::SetSoundChannel(int slot) {
  soundChannel_ = slot;
  if (decoder_ == 0 || !soundOn_) return;
  BR_PlaySound(decoder_, slot);
  BR_SetVolume(decoder_, volume_);
}

void PlaybackController::SetWatermark(const QString& picture, bool on, int alpha) {
  watermark_ = picture;
  watermarkOn_ = on;
  watermarkAlpha_ = alpha;
}

int PlaybackController::ChannelInfo(int slot, RecFileInfo& info) const {
  if (decoder_ == 0) return 1;
  return JV_GetEVFInfo(decoder_, slot, &info);
}

QString PlaybackController::ChannelName(int slot) const {
  if (slot < 0 || slot >= kChannelSlots) return {};
  return channels_.name[static_cast<size_t>(slot)];
}

void PlaybackController::PrepareEntry(const std::vector<FileListEntry>& shown) {
  JoinOpener();
  vehicleTimer_.start();
  stepping_ = false;
  list_ = shown;
  if (useNextEntry_) {
    currentEntry_ = lastEntry_;
    useNextEntry_ = false;
  }
  if (currentEntry_ < 0 || currentEntry_ >= static_cast<int>(list_.size())) return;
  const FileListEntry& entry = list_[static_cast<size_t>(currentEntry_)];
  // An entry without length holds nothing to play: go on to the next.
  if (EndSecondOfDay(entry) <= StartSecondOfDay(entry)) {
    lastEntry_ = currentEntry_;
    ++currentEntry_;
    NextEntry();
    return;
  }
  channels_ = AssignChannels(list_, currentEntry_);
  const int count = channels_.Count();
  if (count == 0) return;
  const int highest = channels_.HighestSlot();
  if (count == 1) {
    emit splitWanted(1, highest - 1);
  } else {
    emit splitWanted(highest <= 4 ? 4 : 9, -1);
  }

  ready_ = false;
  lastEntry_ = currentEntry_;
  telemetry_.EntryOpened();
  totalTime_ = TotalTimeText(channels_.origin);
  OpenRequest request;
  request.names.assign(channels_.name.begin(), channels_.name.end());
  request.targets = targets_;
  request.watermark = watermark_;
  request.watermarkOn = watermarkOn_;
  request.watermarkAlpha = watermarkAlpha_;
  generation_ = ++g_lastGeneration;
  opener_ = std::thread(&PlaybackController::RunOpenSequence, this, generation_, std::move(request));
}

// On the opener thread: touches nothing of the controller but what it was
// given, and hands its result back as a queued call.
void PlaybackController::RunOpenSequence(uint64_t generation, OpenRequest request) {
  const std::vector<QString>& names = request.names;
  OpenResult result;
  BR_CreateDecoder(&result.decoder);
  // Names of the listed disk, disk image or card are read from what the
  // library mounts for them, their disk number first; paths of stream
  // files need nothing mounted.
  const auto named = std::find_if(names.begin(), names.end(), [](const QString& n) { return !n.isEmpty(); });
  if (named != names.end() && !named->contains('/')) {
    const int disk = named->section('\\', 0, 0).toInt();
    NVR_UnMount(result.decoder, disk);
    NVR_Mount(result.decoder, disk);
  }
  for (int slot = 0; slot < kChannelSlots; ++slot) {
    const QString& name = names[static_cast<size_t>(slot)];
    if (name.isEmpty()) continue;
    const QByteArray path = name.toUtf8();
    const int error =
        BR_OpenFile(path.constData(), request.targets[static_cast<size_t>(slot)], slot, result.decoder);
    if (error != 0) {
      result.failedSlot = slot;
      result.error = error;
      break;
    }
    BR_Play(result.decoder, slot);
  }
  if (result.failedSlot < 0) {
    // A missing picture leaves the pictures as they are.
    const std::u16string picture = request.watermark.toStdU16String();
    BR_InitWatermark(result.decoder, reinterpret_cast<const uint16_t*>(picture.c_str()), request.watermarkOn,
                     request.watermarkAlpha);
    RecFileParam info{};
    BR_GetFileInfo(result.decoder, &info);
    result.durationMs = info.duration_ms;
    const uint32_t tag = static_cast<uint32_t>(generation);
    BR_SetInfoFrameCallBack(result.decoder, tag, &PlaybackController::OnInfoFrame);
    BR_SetEndCallBack(result.decoder, tag, &PlaybackController::OnEnd);
  }
  QMetaObject::invokeMethod(this, [this, generation, result] { FinishOpen(generation, result); },
                            Qt::QueuedConnection);
}

void PlaybackController::FinishOpen(uint64_t generation, OpenResult result) {
  JoinOpener();
  decoder_ = result.decoder;
  if (generation != generation_) return;  // Stop delivered this, and releases the decoder
  if (result.failedSlot >= 0) {
    channels_.name[static_cast<size_t>(result.failedSlot)].clear();
    channels_.window[static_cast<size_t>(result.failedSlot)] = -1;
    channels_.active[static_cast<size_t>(result.failedSlot)] = false;
    Stop();
    emit openFailed(result.error);
    return;
  }
  rate_.Started();
  rate_.SetPositionReset(true);
  if (soundOn_) {
    BR_PlaySound(decoder_, soundChannel_);
    BR_SetVolume(decoder_, volume_);
  }
  progress_.start();
  ready_ = true;
  emit opened(result.durationMs);
  emit rateShown();
}

void PlaybackController::JoinOpener() {
  if (opener_.joinable()) opener_.join();
}

void PlaybackController::Stop() {
  // Whatever was posted for the decoder being stopped is dropped from now.
  generation_ = ++g_lastGeneration;
  // An open in progress hands its decoder over before anything is stopped.
  if (opener_.joinable()) {
    JoinOpener();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
  }
  ready_ = true;
  rate_.Stopped();
  telemetry_.Stopped();
  // A map that loads later must not get a vehicle for what was stopped.
  vehicleTimer_.stop();
  if (removeVehicle_) removeVehicle_();
  emit rateShown();
  if (decoder_ == 0) return;
  progress_.stop();
  for (int slot = 0; slot < kChannelSlots; ++slot) BR_Stop(decoder_, slot);
  for (int slot = 0; slot < kChannelSlots; ++slot) BR_CloseFile(decoder_, slot);
  BR_EraseDecoder(decoder_);
  decoder_ = 0;
  channels_ = ChannelAssignment();
  totalTime_ = " / 00:00";
  emit stopped();
}

void PlaybackController::ChannelEnded(uint32_t tag, int slot) {
  if (tag != this->tag() || slot < 0 || slot >= kChannelSlots) return;
  if (!ready_) {
    // A short recording can end before its open has been reported.
    QMetaObject::invokeMethod(this, [this, tag, slot] { ChannelEnded(tag, slot); }, Qt::QueuedConnection);
    return;
  }
  if (decoder_ == 0) return;
  if (stepping_) {
    Stop();
    return;
  }
  channels_.active[static_cast<size_t>(slot)] = false;
  const bool anyActive = std::any_of(channels_.active.begin(), channels_.active.end(), [](bool a) { return a; });
  if (!anyActive) {
    NextEntry();
    return;
  }
  const int sync = ChooseSyncChannel(list_, channels_);
  if (sync < 0) return;
  BR_SetSynChannel(decoder_, sync);
  // The library keeps the registration per channel.
  BR_SetInfoFrameCallBack(decoder_, this->tag(), &PlaybackController::OnInfoFrame);
  const int entry = channels_.entry[static_cast<size_t>(BR_GetSynChannel(decoder_) & 7)];
  if (entry >= 0 && entry < static_cast<int>(list_.size())) {
    const FileListEntry& e = list_[static_cast<size_t>(entry)];
    totalTime_ = TotalTimeText({e.startHour, e.startMinute, e.startSecond, e.endHour, e.endMinute, e.endSecond});
  }
}

void PlaybackController::OnInfoFrame(const unsigned char* record, uint32_t length, uint32_t,
                                     uint32_t, uint32_t tag) {
  if (!record || length < kTelemetryRecordBytes) return;
  const QByteArray copy(reinterpret_cast<const char*>(record), kTelemetryRecordBytes);
  PostToController([tag, copy](PlaybackController& c) { c.InfoArrived(tag, copy); });
}

void PlaybackController::OnEnd(int32_t channel, uint32_t tag) {
  PostToController([tag, channel](PlaybackController& c) { c.ChannelEnded(tag, channel); });
}

void PlaybackController::InfoArrived(uint32_t tag, const QByteArray& record) {
  if (tag != this->tag() || decoder_ == 0 || record.size() < kTelemetryRecordBytes) return;
  TelemetrySettings settings = telemetrySettings_ ? telemetrySettings_() : TelemetrySettings();
  settings.origin = channels_.origin;
  settings.totalTimeText = totalTime_;
  bool positionReset = rate_.positionReset();
  const TelemetryOutcome outcome = telemetry_.Dispatch(reinterpret_cast<const unsigned char*>(record.constData()),
                                                       settings, TickMs(), positionReset);
  rate_.SetPositionReset(positionReset);
  if (!outcome.dropped) emit telemetry(outcome);
}

void PlaybackController::NextEntry() {
  if (!ready_ || list_.empty()) return;
  int last = lastEntry_;
  for (int e : channels_.entry) last = std::max(last, e);
  Stop();
  if (last + 1 < static_cast<int>(list_.size())) {
    lastEntry_ = last + 1;
    useNextEntry_ = true;
    emit openEntryRequested();
  }
}

void PlaybackController::PreviousEntry() {
  if (!ready_ || list_.empty()) return;
  int first = lastEntry_;
  for (int e : channels_.entry)
    if (e >= 0) first = std::min(first, e);
  Stop();
  if (first - 1 >= 0) {
    lastEntry_ = first - 1;
    useNextEntry_ = true;
    emit openEntryRequested();
  }
}

void PlaybackController::Play() {
  if (!ready_) return;
  stepping_ = false;
  if (decoder_ == 0) {
    emit openEntryRequested();
    return;
  }
  rate_.Play(*this);
  emit rateShown();
}

void PlaybackController::Steer(void (PlayRate::*step)(RateSink&)) {
  if (decoder_ == 0) return;
  (rate_.*step)(*this);
  emit rateShown();
}

void PlaybackController::Pause() { Steer(&PlayRate::Pause); }
void PlaybackController::Fast() { Steer(&PlayRate::Fast); }
void PlaybackController::Slow() { Steer(&PlayRate::Slow); }
void PlaybackController::Rewind() { Steer(&PlayRate::Rewind); }

void PlaybackController::Step(bool back) {
  if (decoder_ == 0) return;
  stepping_ = true;
  rate_.Step(*this, back);
  emit rateShown();
}

void PlaybackController::Seek(int ms) {
  if (decoder_ == 0) return;
  BR_SetPlayTime(decoder_, ms);
  rate_.SetPositionReset(true);
  Play();
}

void PlaybackController::Scrub(int ms) {
  if (decoder_ == 0) return;
  BR_SetPlayTime(decoder_, ms);
  BR_PlayOneByOne(decoder_);
  rate_.Scrubbed();
}

void PlaybackController::SetVolume(int volume) {
  // Kept while stopped too: the next entry opens with it.
  volume_ = static_cast<uint32_t>(std::clamp(volume, 0, 0xFFFF));
  if (decoder_ != 0) BR_SetVolume(decoder_, soundOn_ ? volume_ : 0);
}

void PlaybackController::SetSoundOn(bool on) {
  soundOn_ = on;
  if (decoder_ == 0) return;
  if (on) BR_PlaySound(decoder_, soundChannel_);
  BR_SetVolume(decoder_, on ? volume_ : 0);
}

void PlaybackController::SetWatermarkOn(bool on) {
  watermarkOn_ = on;
  if (decoder_ != 0) BR_EnableWatermark(decoder_, on);
}

void PlaybackController::SetWatermarkAlpha(int alpha) {
  if (watermarkOn_) watermarkAlpha_ = std::clamp(alpha, 0, 100);
  if (decoder_ != 0) BR_SetWatermarkAlpha(decoder_, watermarkOn_ ? watermarkAlpha_ : 0);
}

QStringList PlaybackController::Snapshot(const QString& folder, const QDateTime& now) {
  QStringList names;
  if (decoder_ == 0) return names;
  const QString stamp = now.toString(" yyyy-MM-dd HH_mm_ss");
  for (int slot = 0; slot < kChannelSlots; ++slot) {
    if (!channels_.active[static_cast<size_t>(slot)]) continue;
    // One file per camera: a capture of three keeps three pictures.
    const QString name = QString("%1/%2 CH%3.bmp").arg(folder, stamp).arg(slot + 1, 2, 10, QChar('0'));
    unsigned char captured[16] = {};
    BR_CaptureBMP(decoder_, slot, name.toUtf8().constData(), captured);
    names << name;
  }
  return names;
}

void PlaybackController::SetPlayRate(int level, bool reverse) { BR_SetPlayRate(decoder_, level, reverse); }
void PlaybackController::Pause(bool pause) { BR_Pause(decoder_, pause); }
void PlaybackController::PlayOneByOne() { BR_PlayOneByOne(decoder_); }
