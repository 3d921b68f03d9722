#pragma once

#include <QWidget>

#include <array>
#include <memory>

#include "corvane/app/app_context.h"
#include "corvane/app/player_settings.h"
#include "corvane/app/settings_file.h"

class QTextEdit;

// The program's only top-level window: holds every panel, lays them out in
// three columns on each size change, paints the caption band and applies
// the start-up language half a second after it was built.
class CCorvaneDlg : public QWidget {
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

  const AppContext& context() const { return *context_; }

  // Where the caption band draws the program's name (string 509), in client
  // coordinates; the name is drawn top-left aligned and clipped to it.
  QRect CaptionTextRect() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void StartLanguage();
  void SetTexts();
  void Layout();

  PlayerSettings& settings_;
  const SettingsFile& file_;
  int systemLanguageId_;
  std::unique_ptr<AppContext> context_;
  // Panels that later work fills; placed now with their final classes' names.
  std::array<QWidget*, 7> panels_{};
  QTextEdit* streamInfo_ = nullptr;
};
