#pragma once

class QWidget;

#include <QString>

// What the main window and the file list need of the playback page and its
// controller: the close rule, the caption band's full-screen test, the
// target of the keys it routes, the play state, the names playing in the
// channel slots and the entry to open. The playback page implements it and
// registers itself in the AppContext.
class PlaybackLink {
 public:
  virtual ~PlaybackLink() = default;

  // True while an entry is being opened (the controller is not ready).
  virtual bool IsOpeningEntry() const = 0;
  // Stops playback; does nothing when nothing plays.
  virtual void Stop() = 0;
  // True while the video area covers the main window.
  virtual bool IsFullScreen() const = 0;
  // True while the map, speedometer and scope are hidden for a wider video
  // area.
  virtual bool TelemetryHidden() const = 0;
  // The control bar: receives the keys the main window routes and the
  // Escape that leaves full-screen mode.
  virtual QWidget* ControlBar() = 0;
  // True unless playback is stopped.
  virtual bool IsPlaying() const = 0;
  // The recording name playing in channel slot 0..7; empty when none.
  virtual QString ChannelName(int slot) const = 0;
  // The index in the file list's shown list of the entry to open next.
  virtual void SetCurrentEntry(int index) = 0;
  // Opens the current entry (a double click in the file list).
  virtual void OpenCurrentEntry() = 0;

 protected:
  PlaybackLink() = default;
  PlaybackLink(const PlaybackLink&) = default;
  PlaybackLink& operator=(const PlaybackLink&) = default;
};
