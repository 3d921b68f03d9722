#pragma once

class QString;

// What the panels need of the main window: the stream-information box the
// playback page keeps current, a new placement of the panels when the video
// area enters or leaves full-screen mode or hides the telemetry panels, and
// the speedometer panel's map switch, provider change and About box.
// The main window implements it and registers itself in the AppContext.
class MainWindowLink {
 public:
  virtual ~MainWindowLink() = default;

  virtual void SetStreamInfo(const QString& text) = 0;
  // The page's full-screen or telemetry state changed.
  virtual void VideoAreaChanged() = 0;
  // Shows or hides the map panel, giving its room to the playback page.
  virtual void SetMapShown(bool shown) = 0;
  // Map provider list entry chosen (0 Google, 1 Baidu): stored, and the
  // program starts again.
  virtual void ChangeMapProvider(int entry) = 0;
  virtual void ShowAbout() = 0;

 protected:
  MainWindowLink() = default;
  MainWindowLink(const MainWindowLink&) = default;
  MainWindowLink& operator=(const MainWindowLink&) = default;
};
