#pragma once

class QString;

// What the playback page needs of the main window: the stream-information
// box it keeps current, and a new placement of the panels when the video
// area enters or leaves full-screen mode or hides the telemetry panels.
// The main window implements it and registers itself in the AppContext.
class MainWindowLink {
 public:
  virtual ~MainWindowLink() = default;

  virtual void SetStreamInfo(const QString& text) = 0;
  // The page's full-screen or telemetry state changed.
  virtual void VideoAreaChanged() = 0;

 protected:
  MainWindowLink() = default;
  MainWindowLink(const MainWindowLink&) = default;
  MainWindowLink& operator=(const MainWindowLink&) = default;
};
