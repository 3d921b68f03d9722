#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <array>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

#include "brisca/types/brisca_types.h"
#include "corvane/playback/channel_assignment.h"
#include "corvane/playback/play_rate.h"
#include "corvane/playback/telemetry_dispatch.h"
#include "corvane/search/file_list_entry.h"

// The one owner of the library's decoder while an entry plays: it opens an
// entry's recordings on up to eight channels, steers them, follows their
// ends to the next entry and stops them.
//
// Threads: a plain QObject of the window thread. The open sequence runs on
// a thread of its own, owned and joined here, and reports back through
// queued calls. The library's callbacks only post, carrying the generation
// of the decoder they belong to; what arrives for an earlier generation
// (posted before a Stop, delivered after it) is dropped.
class PlaybackController : public QObject, private RateSink {
  Q_OBJECT

 public:
  explicit PlaybackController(QObject* parent = nullptr);
  ~PlaybackController() override;

  // The presentation targets of the eight video windows, slot k drawing
  // into window k. They must outlive the controller's decoder.
  void SetTargets(const std::array<BR_VIDEO_TARGET*, kChannelSlots>& targets) { targets_ = targets; }
  // The window whose channel plays the sound, at once while playing.
  void SetSoundChannel(int slot);
  // The watermark picture every decoder opened from now on lays over its
  // pictures, shown or not and how opaque (0-100).
  void SetWatermark(const QString& picture, bool on, int alpha);
  // Units, languages and coordinate choices, asked for each telemetry
  // record (the origin and total time are the controller's own).
  void SetTelemetrySettings(std::function<TelemetrySettings()> settings) { telemetrySettings_ = std::move(settings); }
  // The map's vehicle and track: `insert` is tried every 300 ms after an
  // entry is prepared until it returns true; `remove` runs at every Stop.
  void SetMapVehicle(std::function<bool()> insert, std::function<void()> remove);

  bool ready() const { return ready_; }
  // Set by a single step, cleared by Play and by opening an entry: an end
  // then stops instead of going on to the next entry.
  bool stepping() const { return stepping_; }
  PlayState playState() const { return rate_.state(); }
  bool hasDecoder() const { return decoder_ != 0; }
  const ChannelAssignment& channels() const { return channels_; }
  // JV_GetEVFInfo of channel slot `slot`: 0 and `info` filled, or the
  // library's non-zero result.
  int ChannelInfo(int slot, RecFileInfo& info) const;
  // The entry the last open started from.
  int openedEntry() const { return lastEntry_; }
  QString ChannelName(int slot) const;
  const TimeOrigin& origin() const { return channels_.origin; }
  QString totalTimeText() const { return totalTime_; }
  const PlayRate& rate() const { return rate_; }
  bool soundOn() const { return soundOn_; }
  int volume() const { return static_cast<int>(volume_); }
  bool watermarkOn() const { return watermarkOn_; }
  int watermarkAlpha() const { return watermarkAlpha_; }

  // The index in the shown list of the entry to open next.
  void SetCurrentEntry(int index) { currentEntry_ = index; }
  // Assigns the current entry of `shown` (copied) to channel slots and
  // starts opening them. Call after Stop. Emits splitWanted first.
  void PrepareEntry(const std::vector<FileListEntry>& shown);
  // Stops every channel and releases the decoder; waits for an open in
  // progress first.
  void Stop();
  // The steering of the control bar; each does nothing without a decoder.
  void Play();
  void Pause();
  void Fast();
  void Slow();
  void Rewind();
  void Step(bool back);
  // Playback from `ms` after the start of the synchronising recording.
  void Seek(int ms);
  // The picture at `ms`, held there.
  void Scrub(int ms);
  void NextEntry();
  void PreviousEntry();
  // Volume 0..0xFFFF, heard while the sound is on.
  void SetVolume(int volume);
  void SetSoundOn(bool on);
  void SetWatermarkOn(bool on);
  void SetWatermarkAlpha(int alpha);
  // Saves the last picture of every channel still playing as a BMP file in
  // `folder`, named with `now` and the channel's window. Returns the names
  // asked for.
  QStringList Snapshot(const QString& folder, const QDateTime& now);

 signals:
  // The entry needs this many video windows (1: the window alone).
  void splitWanted(int count, int window);
  // The open sequence finished and playback runs; `durationMs` is the
  // progress range.
  void opened(int durationMs);
  // A channel failed to open with the library's error: everything is
  // stopped again.
  void openFailed(int error);
  void stopped();
  // The rate or the words PAUSE or STOP changed.
  void rateShown();
  void positionChanged(int ms);
  // What a telemetry record of the playing channels shows; records that
  // show nothing are not reported.
  void telemetry(const TelemetryOutcome& outcome);
  // Next or Previous entry asks the page to open the entry chosen.
  void openEntryRequested();

 private:
  struct OpenResult {
    uint32_t decoder = 0;
    int failedSlot = -1;
    int error = 0;
    int durationMs = 0;
  };

  // What the open sequence needs, copied for its thread.
  struct OpenRequest {
    std::vector<QString> names;
    std::array<BR_VIDEO_TARGET*, kChannelSlots> targets{};
    QString watermark;
    bool watermarkOn = false;
    int watermarkAlpha = 0;
  };

  void RunOpenSequence(uint64_t generation, OpenRequest request);
  void FinishOpen(uint64_t generation, OpenResult result);
  void JoinOpener();
  void ChannelEnded(uint32_t tag, int slot);
  void InfoArrived(uint32_t tag, const QByteArray& record);
  // The library's callbacks, on its channel threads: they only post.
  static void BRISCA_CALL OnInfoFrame(const unsigned char* record, uint32_t length, uint32_t,
                                      uint32_t, uint32_t tag);
  static void BRISCA_CALL OnEnd(int32_t channel, uint32_t tag);
  uint32_t tag() const { return static_cast<uint32_t>(generation_); }
  // One rate step of an open decoder, then its new text.
  void Steer(void (PlayRate::*step)(RateSink&));

  // RateSink: the steering reaches the decoder.
  void SetPlayRate(int level, bool reverse) override;
  void Pause(bool pause) override;
  void PlayOneByOne() override;

  uint32_t decoder_ = 0;
  uint64_t generation_ = 0;
  bool ready_ = true;
  bool stepping_ = false;
  int currentEntry_ = 0;
  int lastEntry_ = 0;
  bool useNextEntry_ = false;
  int soundChannel_ = 0;
  uint32_t volume_ = 0x8000;
  bool soundOn_ = true;
  QString watermark_;
  bool watermarkOn_ = false;
  int watermarkAlpha_ = 50;
  std::vector<FileListEntry> list_;
  ChannelAssignment channels_;
  QString totalTime_ = " / 00:00";
  PlayRate rate_;
  std::array<BR_VIDEO_TARGET*, kChannelSlots> targets_{};
  std::thread opener_;
  QTimer progress_;
  TelemetryDispatch telemetry_;
  std::function<TelemetrySettings()> telemetrySettings_;
  QTimer vehicleTimer_;
  std::function<bool()> insertVehicle_;
  std::function<void()> removeVehicle_;
};
