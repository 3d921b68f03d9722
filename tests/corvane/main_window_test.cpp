#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <type_traits>
#include <utility>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>

#include "corvane/app/corvane_dlg.h"
#include "corvane/app/language.h"
#include "corvane/app/panel_layout.h"
#include "corvane/app/string_table.h"
#include "corvane/instruments/scope_dlg.h"
#include "corvane/instruments/scope_menu.h"
#include "corvane/instruments/speedometer.h"
#include "corvane/playback/dlg_map.h"
#include "corvane/playback/dlg_play_back.h"
#include "corvane/search/dlg_file_list.h"
#include "corvane/search/dlg_search_pannel.h"
#include "fake_playback_link.h"
#include "temp_settings_dir.h"

namespace {

QString ReadKey(const QString& path, const QString& key) {
  return QSettings(path, QSettings::IniFormat).value(key).toString();
}

struct Started {
  TempSettingsDir temp;
  PlayerSettings settings;
  SettingsFile file{temp.paths};
  StringTable table = StringTable::FromResource();
};

// Builds the window and waits for the half-second language start-up.
void StartWindow(Started& s, CCorvaneDlg& window) {
  window.resize(1900, 1000);
  window.show();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        return !ReadKey(s.temp.paths.file, "LANGUAGE/LAN_SELECT").isEmpty();
      },
      5000));
}

TEST(MainWindow, NoFileOnChineseSystem) {
  Started s;
  s.file.LoadSettings(s.settings);
  CCorvaneDlg window(s.settings, s.file, s.table, 2052);
  EXPECT_EQ(window.windowTitle(), "Corvane Player");
  EXPECT_FALSE(window.windowIcon().isNull());
  StartWindow(s, window);
  EXPECT_EQ(s.settings.uiLanguage, kLangSimplifiedChinese);
  EXPECT_EQ(s.settings.speedUnit, 0);
  EXPECT_EQ(s.settings.gpsFix, 1);
  EXPECT_EQ(ReadKey(s.temp.paths.file, "LANGUAGE/LAN_SELECT"), "0");
  EXPECT_EQ(ReadKey(s.temp.paths.file, "GPSFIX/FIX"), "1");
  EXPECT_EQ(ReadKey(s.temp.paths.file, "VIEW/MODE"), "4");
  const auto* box = window.findChild<QTextEdit*>("ctl_464");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->toPlainText(), QString::fromUtf8("码流信息"));
}

TEST(MainWindow, NoFileOnEnglishSystemWritesFixZero) {
  Started s;
  s.file.LoadSettings(s.settings);
  CCorvaneDlg window(s.settings, s.file, s.table, 1033);
  StartWindow(s, window);
  EXPECT_EQ(s.settings.uiLanguage, kLangEnglish);
  EXPECT_EQ(s.settings.speedUnit, 0);
  EXPECT_EQ(ReadKey(s.temp.paths.file, "GPSFIX/FIX"), "0");
  EXPECT_FALSE(GpsFixBoxVisible(s.settings.langSelect, s.settings.uiLanguage));
  EXPECT_EQ(window.findChild<QTextEdit*>("ctl_464")->toPlainText(),
            "Stream Information");
}

TEST(MainWindow, LanguageSwitchRetextsAndLaysOutPanels) {
  Started s;
  s.settings.langSelect = kLangEnglish;
  CCorvaneDlg window(s.settings, s.file, s.table, 1033);
  StartWindow(s, window);
  window.ApplyLanguage(kLangRussian);
  EXPECT_EQ(window.context().languageIndex, 10);
  EXPECT_EQ(window.findChild<QTextEdit*>("ctl_464")->toPlainText(),
            QString::fromUtf8("Информация о потоке"));
  const auto geometry = [&](auto* typed) {
    using Panel = std::remove_pointer_t<decltype(typed)>;
    const Panel* panel = window.findChild<Panel*>();
    return panel != nullptr ? panel->geometry() : QRect();
  };
  EXPECT_EQ(geometry(static_cast<CDlgSearchPannel*>(nullptr)), QRect(5, 30, 384, 105));
  EXPECT_EQ(geometry(static_cast<CDlgFileList*>(nullptr)), QRect(-6, 135, 395, 705));
  EXPECT_EQ(geometry(static_cast<CDlgMap*>(nullptr)), QRect(1465, 30, 430, 810));
  EXPECT_EQ(geometry(static_cast<CDlgPlayBack*>(nullptr)), QRect(391, 30, 1072, 810));
  EXPECT_EQ(geometry(static_cast<CScopeDlg*>(nullptr)), QRect(391, 840, 1072, 143));
  EXPECT_EQ(geometry(static_cast<CScopeMenu*>(nullptr)), QRect(391, 983, 1072, 17));
  EXPECT_EQ(geometry(static_cast<CSpeedometer*>(nullptr)), QRect(1465, 842, 430, 298));
  EXPECT_EQ(window.findChild<QTextEdit*>("ctl_464")->geometry(), QRect(5, 840, 384, 160));
}

}  // namespace

namespace {

// A started window with a fake playback page whose control bar records keys.
struct WithPlayback {
  Started s;
  CCorvaneDlg window{s.settings, s.file, s.table, 1033};
  KeyRecorder* bar = new KeyRecorder;
  FakePlaybackLink playback{bar};
  QLineEdit* field = new QLineEdit;
  QPushButton* button = new QPushButton("x");

  WithPlayback() {
    auto* page = window.findChild<QWidget*>("CDlgPlayBack");
    bar->setParent(page);
    field->setParent(window.findChild<QWidget*>("CDlgSearchPannel"));
    button->setParent(window.findChild<QWidget*>("CDlgFileList"));
    window.context().playback = &playback;
    window.resize(1900, 1000);
    window.show();
  }
};

TEST(MainWindowClose, ClosesWithoutPlaybackPage) {
  Started s;
  CCorvaneDlg window(s.settings, s.file, s.table, 1033);
  window.show();
  EXPECT_TRUE(window.close());
}

TEST(MainWindowClose, IgnoredWhileAnEntryOpens) {
  WithPlayback w;
  w.playback.opening = true;
  EXPECT_FALSE(w.window.close());
  EXPECT_TRUE(w.window.isVisible());
  EXPECT_EQ(w.playback.stops, 0);

  w.playback.opening = false;
  EXPECT_TRUE(w.window.close());
  EXPECT_EQ(w.playback.stops, 1);
}

TEST(MainWindowClose, FullScreenOnlyLeavesFullScreen) {
  WithPlayback w;
  w.playback.fullScreen = true;
  EXPECT_FALSE(w.window.close());
  EXPECT_EQ(w.playback.stops, 1);
  QCoreApplication::processEvents();
  EXPECT_EQ(w.bar->keys, std::vector<int>{Qt::Key_Escape});
  EXPECT_TRUE(w.window.isVisible());
}

TEST(MainWindowVideoArea, FullScreenAndHiddenTelemetryCoverThePanels) {
  Started s;
  CCorvaneDlg window(s.settings, s.file, s.table, 1033);
  StartWindow(s, window);
  auto* page = window.findChild<CDlgPlayBack*>();
  const auto click = [&](const char* id) { page->findChild<QToolButton*>(id)->click(); };
  const auto rect = [](const QWidget* w) { return PanelRect{w->x(), w->y(), w->width(), w->height()}; };
  const QList<QWidget*> telemetry{window.findChild<CScopeDlg*>(), window.findChild<CSpeedometer*>(),
                                  window.findChild<CScopeMenu*>(), window.findChild<CDlgMap*>()};
  const QList<QWidget*> left{window.findChild<CDlgSearchPannel*>(), window.findChild<CDlgFileList*>(),
                             window.findChild<QTextEdit*>("ctl_464")};
  const auto visible = [](const QList<QWidget*>& panels) {
    return std::all_of(panels.begin(), panels.end(), [](const QWidget* p) { return p->isVisible(); });
  };
  const auto hidden = [](const QList<QWidget*>& panels) {
    return std::none_of(panels.begin(), panels.end(), [](const QWidget* p) { return p->isVisible(); });
  };

  click("ctl_234");
  EXPECT_TRUE(hidden(telemetry));
  EXPECT_TRUE(visible(left));
  EXPECT_EQ(rect(page), WideVideoRect(0, 0, 1900, 1000, 2));

  click("ctl_233");
  EXPECT_TRUE(page->IsFullScreen());
  EXPECT_TRUE(hidden(left));
  // A screen's width from the window's left edge.
  EXPECT_GE(page->width(), window.screen()->geometry().width());

  // Escape from the file list leaves full-screen mode for the wide video
  // area, not for the three columns.
  QTest::keyClick(window.findChild<CDlgFileList*>(), Qt::Key_Escape);
  EXPECT_FALSE(page->IsFullScreen());
  EXPECT_TRUE(visible(left));
  EXPECT_TRUE(hidden(telemetry));
  EXPECT_EQ(rect(page), WideVideoRect(0, 0, 1900, 1000, 2));

  click("ctl_234");
  EXPECT_TRUE(visible(telemetry));
  EXPECT_EQ(rect(page), ComputePanelLayout(0, 0, 1900, 1000).playback);
}

TEST(MainWindowKeys, PlaybackKeysReachTheControlBarFromAnyPanel) {
  WithPlayback w;
  for (const int key : {Qt::Key_Space, Qt::Key_Left, Qt::Key_Right,
                        Qt::Key_Down, Qt::Key_Escape, Qt::Key_Up, Qt::Key_A}) {
    QTest::keyClick(w.button, static_cast<Qt::Key>(key));
  }
  EXPECT_EQ(w.bar->keys, (std::vector<int>{Qt::Key_Space, Qt::Key_Left, Qt::Key_Right,
                                           Qt::Key_Down, Qt::Key_Escape}));
}

TEST(MainWindowKeys, TextFieldsAndTheBarItselfKeepTheirKeys) {
  WithPlayback w;
  QTest::keyClicks(w.field, "a b");
  QTest::keyClick(w.field, Qt::Key_Left);
  EXPECT_EQ(w.field->text(), "a b");
  EXPECT_TRUE(w.bar->keys.empty());

  // Delivered once, not routed back to itself.
  QTest::keyClick(w.bar, Qt::Key_Right);
  EXPECT_EQ(w.bar->keys, std::vector<int>{Qt::Key_Right});
}

TEST(MainWindowMapProvider, BaiduIsStoredAndTheWindowClosesForARestart) {
  Started s;
  CCorvaneDlg window(s.settings, s.file, s.table, 1033);
  window.show();
  EXPECT_FALSE(window.RestartRequested());
  window.ChangeMapProvider(1);
  EXPECT_EQ(ReadKey(s.temp.paths.file, "MAP/MAP_SELECT"), "3");
  EXPECT_TRUE(window.RestartRequested());
  EXPECT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }, 2000));

  window.ChangeMapProvider(0);
  EXPECT_EQ(ReadKey(s.temp.paths.file, "MAP/MAP_SELECT"), "0");
}

TEST(MainWindowAbout, CaptionMenuShowsTheAboutBox) {
  Started s;
  CCorvaneDlg window(s.settings, s.file, s.table, 1033);
  window.resize(1900, 1000);
  window.show();
  window.ApplyLanguage(kLangEnglish);

  QString title;
  QString texts;
  QTimer::singleShot(0, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 2);  // separator, About
    EXPECT_EQ(menu->actions().back()->text(), "About");
    QTimer::singleShot(0, [&] {
      QWidget* about = QApplication::activeModalWidget();
      ASSERT_NE(about, nullptr);
      title = about->windowTitle();
      for (const QLabel* label : about->findChildren<QLabel*>()) {
        texts += label->text() + "\n";
      }
      about->findChild<QPushButton*>("ctl_1")->click();
    });
    menu->actions().back()->trigger();
    menu->close();
  });
  QContextMenuEvent press(QContextMenuEvent::Mouse, QPoint(300, 10),
                          window.mapToGlobal(QPoint(300, 10)));
  QApplication::sendEvent(&window, &press);
  EXPECT_EQ(title, "About");
  EXPECT_TRUE(texts.contains("Corvane Player")) << texts.toStdString();
  EXPECT_TRUE(texts.contains("Vehicle Recorder Analysis Software"));
}

}  // namespace

namespace {

// Every text the window's visible widgets show.
QStringList VisibleTexts(const QWidget& window) {
  QStringList texts;
  for (const QWidget* widget : window.findChildren<QWidget*>()) {
    if (!widget->isVisible()) continue;
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
      texts << label->text();
    } else if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
      texts << button->text() << button->toolTip();
    } else if (const auto* box = qobject_cast<const QTextEdit*>(widget)) {
      texts << box->toPlainText().split('\n');
    } else if (const auto* combo = qobject_cast<const QComboBox*>(widget)) {
      for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
    }
  }
  texts.removeAll(QString());
  return texts;
}

// A switch re-texts everything: no visible text may still be the copy of a
// table entry in another language when this language's copy differs.
TEST(MainWindowLanguage, SwitchRetextsEveryVisibleText) {
  Started s;
  s.settings.langSelect = kLangEnglish;
  CCorvaneDlg window(s.settings, s.file, s.table, 1033);
  StartWindow(s, window);
  constexpr std::array<std::pair<int, int>, 4> kLanguages{
      {{kLangEnglish, 0}, {kLangSimplifiedChinese, 1},
       {kLangTraditionalChinese, 2}, {kLangRussian, 10}}};
  for (const auto& [code, index] : kLanguages) {
    window.ApplyLanguage(code);
    const QStringList texts = VisibleTexts(window);
    EXPECT_FALSE(texts.isEmpty());
    for (const QString& text : texts) {
      for (int id = 1; id <= StringTable::kMaxBaseId; ++id) {
        const QString own = s.table.Text(index, id);
        for (const auto& other : kLanguages) {
          if (other.second == index) continue;
          const QString stale = s.table.Text(other.second, id);
          EXPECT_FALSE(!stale.isEmpty() && text == stale && own != stale)
              << "language " << code << " still shows \"" << text.toStdString()
              << "\" of ID " << id << " in language index " << other.second;
        }
      }
    }
  }
}

}  // namespace
