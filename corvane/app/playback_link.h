#pragma once

class QWidget;

// What the main window needs of the playback page and its controller: the
// close rule, the caption band's full-screen test and the target of the keys
// it routes. The playback page implements it and registers itself in the
// AppContext.
class PlaybackLink {
 public:
  virtual ~PlaybackLink() = default;

  // True while an entry is being opened (the controller is not ready).
  virtual bool IsOpeningEntry() const = 0;
  // Stops playback; does nothing when nothing plays.
  virtual void Stop() = 0;
  // True while the video area covers the main window.
  virtual bool IsFullScreen() const = 0;
  // The control bar: receives the keys the main window routes and the
  // Escape that leaves full-screen mode.
  virtual QWidget* ControlBar() = 0;

 protected:
  PlaybackLink() = default;
  PlaybackLink(const PlaybackLink&) = default;
  PlaybackLink& operator=(const PlaybackLink&) = default;
};
