#pragma once

#include <QKeyEvent>
#include <QWidget>

#include <array>
#include <vector>

#include "corvane/app/playback_link.h"

// A control bar that records the keys it receives.
class KeyRecorder : public QWidget {
 public:
  std::vector<int> keys;

 protected:
  void keyPressEvent(QKeyEvent* event) override { keys.push_back(event->key()); }
};

// The playback side as the main window sees it, with its state set by tests.
class FakePlaybackLink : public PlaybackLink {
 public:
  explicit FakePlaybackLink(KeyRecorder* bar) : bar_(bar) {}

  bool IsOpeningEntry() const override { return opening; }
  void Stop() override { ++stops; }
  bool IsFullScreen() const override { return fullScreen; }
  bool TelemetryHidden() const override { return false; }
  QWidget* ControlBar() override { return bar_; }
  bool IsPlaying() const override { return playing; }
  QString ChannelName(int slot) const override { return channelNames[static_cast<size_t>(slot)]; }
  void SetCurrentEntry(int index) override { currentEntry = index; }
  void OpenCurrentEntry() override { opened.push_back(currentEntry); }

  bool opening = false;
  bool fullScreen = false;
  int stops = 0;
  bool playing = false;
  std::array<QString, 8> channelNames;
  int currentEntry = -1;
  std::vector<int> opened;  // currentEntry at each open request

 private:
  KeyRecorder* bar_;
};
