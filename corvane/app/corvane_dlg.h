#pragma once

#include <QWidget>

#include <array>
#include <memory>

#include "corvane/app/app_context.h"
#include "corvane/app/main_window_link.h"
#include "corvane/app/player_settings.h"
#include "corvane/app/settings_file.h"

class QTextEdit;

// The program's only top-level window: holds every panel, lays them out in
// three columns on each size change, paints the caption band, applies the
// start-up language half a second after it was built, routes the playback
// keys to the control bar and decides whether a close request closes.
class CCorvaneDlg : public QWidget, public MainWindowLink {
 public:
  // `settings`, `file` and `table` must outlive the window. `systemLanguageId`
  // decides the automatic language (see StartupLanguage).
  CCorvaneDlg(PlayerSettings& settings, const SettingsFile& file,
              const StringTable& table, int systemLanguageId,
              QWidget* parent = nullptr);
  ~CCorvaneDlg() override;

  // Applies language `uiLanguage` (1, 2, 3 or 10): language index, texts of
  // the window, then LAN_SELECT and FIX are written.
  void ApplyLanguage(int uiLanguage);

  // The first command-line argument: the disk, card or folder to search.
  void SetStoragePath(const QString& path);

  // Fills the screen's work area and keeps the window there: it cannot be
  // dragged away.
  void ShowOnWorkArea();

  // Map provider chosen in the list (0 Google, 1 Baidu): stored, then the
  // window is asked to close and the program starts again on exit.
  void ChangeMapProvider(int entry) override;
  bool RestartRequested() const { return restartOnExit_; }

  // Shows the About box modally.
  void ShowAbout() override;

  // MainWindowLink
  void SetStreamInfo(const QString& text) override;
  void VideoAreaChanged() override { Layout(); }
  void SetMapShown(bool shown) override;

  AppContext& context() { return *context_; }
  const AppContext& context() const { return *context_; }

  // Where the caption band draws the program's name (string 509), in client
  // coordinates; the name is drawn top-left aligned and clipped to it.
  QRect CaptionTextRect() const;

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void StartLanguage();
  void SetTexts();
  void Layout();
  void SetUpStreamInfo();
  bool RoutesKey(QObject* receiver, int key) const;

  PlayerSettings& settings_;
  const SettingsFile& file_;
  int systemLanguageId_;
  std::unique_ptr<AppContext> context_;
  // Panels that later work fills; placed now with their final classes' names.
  std::array<QWidget*, 7> panels_{};
  QTextEdit* streamInfo_ = nullptr;
  bool pinnedToWorkArea_ = false;
  bool restartOnExit_ = false;
  // The speedometer panel's map switch hid the map.
  bool mapHidden_ = false;
};
