// The telemetry instruments: the strip charts' arithmetic and drawing, the
// scope panel with its tab bar, and the speedometer panel's choices.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QTest>

#include <vector>

#include "corvane/app/app_context.h"
#include "corvane/app/language.h"
#include "corvane/app/main_window_link.h"
#include "corvane/app/player_settings.h"
#include "corvane/app/settings_file.h"
#include "corvane/app/string_table.h"
#include "corvane/instruments/picture_button.h"
#include "corvane/instruments/scope.h"
#include "corvane/instruments/scope_axes.h"
#include "corvane/instruments/scope_dlg.h"
#include "corvane/instruments/scope_menu.h"
#include "corvane/instruments/speedometer.h"
#include "temp_settings_dir.h"
#include "tools/corvane_shot/text_fit.h"

namespace {

QStringList Texts(const std::vector<ScopeLabel>& labels) {
  QStringList texts;
  for (const ScopeLabel& label : labels) texts << label.text;
  return texts;
}

QRgb Rgb(int r, int g, int b) { return qRgb(r, g, b); }

TEST(ScopeAxes, PlotRectangleAndSubdivisions) {
  struct PlotCase {
    ScopeEdges area;
    ScopeEdges plot;
  };
  const PlotCase plots[] = {
      {{0, 0, 300, 200}, {50, 10, 290, 180}},      // height 175 - 25: top moves down 5
      {{-15, 0, 1070, 146}, {40, 6, 1060, 126}},   // the scope panel of a 1900 x 1000 window
      {{0, 0, 160, 125}, {50, 5, 150, 105}},       // already whole tens
      {{10, 20, 379, 223}, {69, 33, 369, 203}},    // offset area, 9 and 8 over
  };
  for (const PlotCase& c : plots) {
    const ScopeEdges plot = ScopePlotEdges(c.area);
    EXPECT_EQ(plot, c.plot) << c.area.left << "," << c.area.top << "," << c.area.right << "," << c.area.bottom;
    EXPECT_EQ(plot.width() % 10, 0);
    EXPECT_EQ(plot.height() % 10, 0);
  }

  struct YCase {
    double yMin, yMax;
    int previous, expected;
  };
  const YCase ys[] = {
      {0, 1000, 0, 2},   // tenth 100: wide spans get 2
      {0, 500, 0, 2},    // tenth exactly 50
      {0, 20, 0, 1},     // tenth 2
      {55, 65, 0, 1},
      {0, 100, 0, 5},    // 10: 5 is the largest divisor
      {0, 120, 0, 6},
      {0, 80, 0, 4},
      {0, 90, 0, 3},
      {0, 70, 0, 2},     // 7 counts as 2
      {0, 420, 0, 2},    // 42: 7 wins over 6 and 3
      {0, 110, 4, 4},    // 11: nothing divides, the previous stays
      {0, 110, 0, 0},    // and before the first there is none
      {100, 0, 0, 5},    // the span counts without its sign
      {0, 25.5, 0, 0},   // tenth 2.55: whole 2 has no divisor of 3..7
  };
  for (const YCase& c : ys)
    EXPECT_EQ(ScopeYSubdivisions(c.yMin, c.yMax, c.previous), c.expected) << c.yMin << ".." << c.yMax;

  struct XCase {
    double labelMax, labelMin;
    int expected;
  };
  const XCase xs[] = {{200, 0, 5}, {20, 0, 1}, {70, 0, 7}, {110, 0, 2}, {30, 0, 3}, {120, 0, 6}};
  for (const XCase& c : xs) EXPECT_EQ(ScopeXSubdivisions(c.labelMax, c.labelMin), c.expected) << c.labelMax;
}

TEST(ScopeAxes, LabelsAndPoints) {
  EXPECT_EQ(Texts(ScopeXLabels(200, 0)),
            QStringList({"200", "180", "160", "140", "120", "100", "80", "60", "40", "20", "0"}));
  const auto x = ScopeXLabels(200, 0);
  EXPECT_EQ(x.front().step, 10);
  EXPECT_EQ(x.back().step, 0);

  EXPECT_EQ(Texts(ScopeYLabels(-5, 5, 0)), QStringList({"5", "3", "1", "-1", "-3", "-5"}));
  // 1.6 - 2.0 prints "-0", shown as " 0".
  EXPECT_EQ(Texts(ScopeYLabels(-3.4, 1.6, 0)), QStringList({"2", "1", " 0", "-1", "-2", "-3"}));
  EXPECT_EQ(Texts(ScopeYLabels(-0.5, 1.5, 1)), QStringList({"1.50", "1.10", "0.70", "0.30", "-0.10", "-0.50"}));
  std::vector<int> steps;
  for (const ScopeLabel& label : ScopeYLabels(0, 100, 0)) steps.push_back(label.step);
  EXPECT_EQ(steps, (std::vector<int>{0, 2, 4, 6, 8, 10}));

  const ScopeEdges plot{40, 10, 240, 110};
  const QSize image(260, 140);
  const ScopeRanges ranges{0, 200, 0, 100};
  EXPECT_EQ(ScopePoint(0, 0, ranges, plot, image), QPoint(40, 110));
  EXPECT_EQ(ScopePoint(100, 50, ranges, plot, image), QPoint(140, 60));
  EXPECT_EQ(ScopePoint(199, 100, ranges, plot, image), QPoint(239, 10));
  // A zero span lands on the middle line instead of dividing by zero.
  const ScopeRanges flat{0, 200, 0.1, 0.1};
  for (double y : {0.3, 0.0, 1.2, 0.1}) EXPECT_EQ(ScopePoint(0, y, flat, plot, image), QPoint(40, 60)) << y;
  // Far-off values stay within a bounded distance of the image.
  const QPoint far = ScopePoint(0, 1e300, ranges, plot, image);
  EXPECT_LT(far.y(), 0);
  EXPECT_GT(far.y(), -(1 << 17));
}

// A chart on its own, laid out like the scope panel lays it out.
struct Chart {
  explicit Chart(int bkColor, int axisSet = 0, int osVersionCode = 2) : scope(bkColor, osVersionCode, nullptr) {
    scope.resize(300, 200);
    scope.SetScopeArea(QRect(0, 0, 300, 195), axisSet);
    scope.ResetScope();
  }
  Cscope scope;
};

TEST(Scope, SpeedSamplesScrollAndSetTheRange) {
  Chart chart(0);
  const QRect plot = chart.scope.plotRect();
  EXPECT_EQ(plot, QRect(50, 10, 240, 170));
  EXPECT_EQ(chart.scope.yMinimum(), 0);
  EXPECT_EQ(chart.scope.yMaximum(), 10);

  for (int i = 0; i < 10; ++i) chart.scope.AddSpeedSample(60);
  EXPECT_EQ(chart.scope.yMinimum(), 55);
  EXPECT_EQ(chart.scope.yMaximum(), 65);
  ASSERT_EQ(chart.scope.trace(0).size(), 10u);
  EXPECT_EQ(chart.scope.trace(0).front().x, 0);
  EXPECT_EQ(chart.scope.trace(0).back().x, 9);
  // The flat trace runs along the middle of the plot from its left edge,
  // OR-ed over the plot's black.
  const QImage image = chart.scope.Composed();
  const int middle = plot.bottom() + 1 - plot.height() / 2;
  for (int x = plot.left() + 1; x < plot.left() + 9; ++x) {
    EXPECT_EQ(image.pixel(x, middle), Rgb(0, 255, 0)) << x;
    EXPECT_EQ(image.pixel(x, middle - 10), Rgb(5, 0, 0)) << x;
  }
  EXPECT_NE(image.pixel(plot.left() + 60, middle), Rgb(0, 255, 0));
  EXPECT_TRUE(chart.scope.trace(1).empty());

  Cscope rising(0, 2, nullptr);
  rising.SetScopeArea(QRect(0, 0, 300, 195), 0);
  rising.ResetScope();
  rising.AddSpeedSample(0);
  EXPECT_EQ(rising.yMinimum(), -5);
  EXPECT_EQ(rising.yMaximum(), 5);
  rising.AddSpeedSample(100);
  EXPECT_EQ(rising.yMinimum(), 0);
  EXPECT_EQ(rising.yMaximum(), 100);
  EXPECT_EQ(Texts(ScopeYLabels(rising.yMinimum(), rising.yMaximum(), 0)),
            QStringList({"100", "80", "60", "40", "20", "0"}));

  Chart full(0);
  for (int v = 1; v <= 201; ++v) full.scope.AddSpeedSample(v);
  const auto& trace = full.scope.trace(0);
  ASSERT_EQ(trace.size(), 200u);
  EXPECT_EQ(trace.front().y, 201);
  EXPECT_EQ(trace.front().x, 0);
  EXPECT_EQ(trace.back().y, 2);  // 1 is gone
  EXPECT_EQ(trace.back().x, 199);
  EXPECT_EQ(full.scope.yMinimum(), 1);  // taken before the oldest was dropped
  EXPECT_EQ(full.scope.yMaximum(), 201);

  // Windows 7 dialogs: the area reaches 5 pixels higher.
  Chart low(0, 0, 5);
  EXPECT_EQ(low.scope.plotRect(), QRect(50, 0, 240, 180));
}

TEST(Scope, AccelSamplesAreRaisedAndRangedFromTheSamplesBefore) {
  Chart chart(0, 1);
  chart.scope.AddAccelSample(0.1, -0.2, 1.0);
  EXPECT_DOUBLE_EQ(chart.scope.yMinimum(), 0.1);
  EXPECT_DOUBLE_EQ(chart.scope.yMaximum(), 0.1);
  ASSERT_EQ(chart.scope.trace(0).size(), 1u);
  ASSERT_EQ(chart.scope.trace(1).size(), 1u);
  ASSERT_EQ(chart.scope.trace(2).size(), 1u);
  EXPECT_DOUBLE_EQ(chart.scope.trace(0).front().y, 0.3);
  EXPECT_DOUBLE_EQ(chart.scope.trace(1).front().y, 0.0);
  EXPECT_DOUBLE_EQ(chart.scope.trace(2).front().y, 1.2);
  EXPECT_FALSE(chart.scope.Composed().isNull());

  chart.scope.AddAccelSample(0.5, 0.5, 0.5);
  EXPECT_DOUBLE_EQ(chart.scope.yMinimum(), 0.0);
  EXPECT_DOUBLE_EQ(chart.scope.yMaximum(), 1.2);
  EXPECT_EQ(chart.scope.trace(2).back().x, 1);
  EXPECT_EQ(Texts(ScopeYLabels(chart.scope.yMinimum(), chart.scope.yMaximum(), 1)),
            QStringList({"1.20", "0.96", "0.72", "0.48", "0.24", "0.00"}));

  for (int i = 0; i < 250; ++i) chart.scope.AddAccelSample(-1, 0, 1);
  for (int axis = 0; axis < 3; ++axis) EXPECT_EQ(chart.scope.trace(axis).size(), 200u) << axis;
  // The received x of -1 counts as it came; the stored ones carry 0.2.
  EXPECT_DOUBLE_EQ(chart.scope.yMinimum(), -1);
  EXPECT_DOUBLE_EQ(chart.scope.yMaximum(), 1.2);
}

TEST(Scope, ThemeColoursOfAreaGridAndLabels) {
  struct ThemeCase {
    int bkColor;
    QRgb area, grid, yLabel;
  };
  const ThemeCase themes[] = {{1, Rgb(0, 0, 0), Rgb(121, 134, 146), Rgb(255, 255, 255)},
                              {0, Rgb(120, 135, 165), Rgb(0, 130, 0), Rgb(0, 255, 0)}};
  for (const ThemeCase& theme : themes) {
    SCOPED_TRACE(theme.bkColor);
    Chart chart(theme.bkColor);
    for (int v : {0, 100, 50}) chart.scope.AddSpeedSample(v);
    const QImage image = chart.scope.Composed();
    const QRect plot = chart.scope.plotRect();
    // Right margin, halfway down: nothing but the area background.
    EXPECT_EQ(image.pixel(295, plot.center().y()), theme.area);
    // The area's outline along its top edge.
    EXPECT_EQ(image.pixel(150, 0), theme.grid);
    EXPECT_EQ(image.pixel(20, 0), theme.grid);
    // A major grid line outside any trace, OR-ed with the trace image's 5.
    EXPECT_EQ(image.pixel(plot.left() + plot.width() / 2, plot.top() + 3), theme.grid | Rgb(5, 0, 0));

    // The y labels left of the plot: every pixel that is not background is
    // the label colour, and there are such pixels.
    int labelPixels = 0;
    for (int y = plot.top(); y < plot.bottom(); ++y) {
      for (int x = 1; x < plot.left() - 1; ++x) {
        const QRgb pixel = image.pixel(x, y);
        if (pixel == theme.area) continue;
        EXPECT_EQ(pixel, theme.yLabel) << x << "," << y;
        ++labelPixels;
      }
    }
    EXPECT_GT(labelPixels, 50);
  }
}

struct Panels {
  explicit Panels(int bkColor = 0, int uiLanguage = kLangEnglish, int langSelect = kLangEnglish) {
    settings.bkColor = bkColor;
    settings.uiLanguage = uiLanguage;
    settings.langSelect = langSelect;
    context.languageIndex = StringTableIndex(uiLanguage);
    context.settingsFile = &file;
  }
  TempSettingsDir temp;
  SettingsFile file{temp.paths};
  StringTable table = StringTable::FromResource();
  PlayerSettings settings;
  AppContext context{table};
};

// The scope panel and its tab bar as the main window places them.
TEST(ScopePanel, TabsSwitchTheViewAndResizingEmptiesBothCharts) {
  Panels p(0, kLangSimplifiedChinese);
  QWidget root;
  root.resize(1072, 160);
  auto* scope = new CScopeDlg(p.settings, p.context, &root);
  auto* menu = new CScopeMenu(p.settings, *scope, &root);
  scope->setGeometry(0, 0, 1072, 143);
  menu->setGeometry(0, 143, 1072, 17);
  root.show();
  QTRY_COMPARE_WITH_TIMEOUT(scope->speedChart()->plotRect(), QRect(40, 6, 1020, 120), 5000);
  EXPECT_EQ(scope->accelChart()->plotRect(), scope->speedChart()->plotRect());

  const auto picture = [&](const char* name) { return menu->findChild<CPictureButton*>(name)->pictureId(); };
  const auto shown = [&](const char* name) { return menu->findChild<QLabel*>(name)->isVisible(); };
  EXPECT_EQ(scope->view(), 1);
  EXPECT_TRUE(scope->speedChart()->isVisible());
  EXPECT_FALSE(scope->accelChart()->isVisible());
  EXPECT_EQ(picture("ctl_456"), 701);
  EXPECT_EQ(picture("ctl_457"), 697);
  EXPECT_EQ(menu->findChild<QLabel*>("ctl_542")->text(), QString::fromUtf8("车速(英里/小时)"));
  EXPECT_EQ(menu->findChild<QWidget*>("ctl_457")->width(), 45);

  QTest::mouseClick(menu->findChild<CPictureButton*>("ctl_457"), Qt::LeftButton);
  EXPECT_EQ(scope->view(), 2);
  EXPECT_FALSE(menu->speedTabActive());
  EXPECT_TRUE(scope->accelChart()->isVisible());
  EXPECT_FALSE(scope->speedChart()->isVisible());
  EXPECT_EQ(picture("ctl_456"), 696);
  EXPECT_EQ(picture("ctl_457"), 702);
  EXPECT_FALSE(shown("ctl_542"));
  EXPECT_TRUE(shown("ctl_543") && shown("ctl_544") && shown("ctl_545"));
  QTest::mouseClick(menu->findChild<CPictureButton*>("ctl_457"), Qt::LeftButton);  // already active
  EXPECT_EQ(scope->view(), 2);

  menu->ApplyLanguage(kLangEnglish);
  EXPECT_EQ(picture("ctl_456"), 751);
  EXPECT_EQ(picture("ctl_457"), 754);
  EXPECT_EQ(menu->findChild<QWidget*>("ctl_457")->width(), 58);
  EXPECT_EQ(menu->findChild<QLabel*>("ctl_543")->text(), "Acce-X");
  EXPECT_EQ(menu->findChild<QLabel*>("ctl_545")->geometry(), QRect(1072 - 57, 0, 43, 17));
  EXPECT_EQ(menu->findChild<QLabel*>("ctl_543")->geometry(), QRect(1072 - 153, 0, 43, 17));
  menu->ApplyLanguage(kLangRussian);
  EXPECT_EQ(picture("ctl_456"), 751);
  EXPECT_EQ(menu->findChild<QWidget*>("ctl_457")->width(), 45);

  QTest::mouseClick(menu->findChild<CPictureButton*>("ctl_456"), Qt::LeftButton);
  EXPECT_EQ(scope->view(), 1);
  EXPECT_TRUE(menu->speedTabActive());
  EXPECT_EQ(picture("ctl_456"), 752);
  EXPECT_EQ(picture("ctl_457"), 753);
  EXPECT_TRUE(shown("ctl_542"));
  EXPECT_FALSE(shown("ctl_543"));

  // Escape stops at the tab bar.
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(menu, &escape);
  EXPECT_TRUE(escape.isAccepted());

  // Telemetry arrives as queued calls.
  for (unsigned v : {30u, 40u, 50u})
    QMetaObject::invokeMethod(scope, [scope, v] { scope->AddSpeed(v); }, Qt::QueuedConnection);
  QMetaObject::invokeMethod(scope, [scope] { scope->AddAccel(0.1, 0.2, 0.3); }, Qt::QueuedConnection);
  QTRY_COMPARE_WITH_TIMEOUT(scope->accelChart()->trace(2).size(), 1u, 5000);
  EXPECT_EQ(scope->speedChart()->trace(0).size(), 3u);
  EXPECT_EQ(scope->speedChart()->trace(0).front().y, 50);

  scope->resize(900, 120);
  QTRY_VERIFY_WITH_TIMEOUT(scope->speedChart()->trace(0).empty(), 5000);
  EXPECT_TRUE(scope->accelChart()->trace(0).empty());
  EXPECT_TRUE(scope->accelChart()->trace(2).empty());
  EXPECT_EQ(scope->speedChart()->yMaximum(), 10);
  EXPECT_EQ(scope->speedChart()->geometry(), QRect(0, 0, 900, 120));
  // The grown chart draws over its whole new area.
  scope->resize(1400, 200);
  QTRY_COMPARE_WITH_TIMEOUT(scope->speedChart()->Composed().width(), 1398, 5000);

  scope->AddSpeed(70);
  scope->ResetCharts();
  EXPECT_TRUE(scope->speedChart()->trace(0).empty());
  EXPECT_EQ(scope->speedChart()->yMinimum(), 0);
}

// The main window's side of the speedometer panel.
class FakeMainWindow : public MainWindowLink {
 public:
  void SetStreamInfo(const QString&) override {}
  void VideoAreaChanged() override {}
  void SetMapShown(bool shown) override { mapShown.push_back(shown); }
  void ChangeMapProvider(int entry) override { providers.push_back(entry); }
  void ShowAbout() override { ++abouts; }

  std::vector<bool> mapShown;
  std::vector<int> providers;
  int abouts = 0;
};

QString ReadKey(const QString& path, const QString& key) {
  return QSettings(path, QSettings::IniFormat).value(key).toString();
}

TEST(Speedometer, ChoicesAreStoredAndPassedToTheMainWindow) {
  Panels p(0, kLangEnglish, kLangEnglish);
  FakeMainWindow link;
  p.context.mainWindow = &link;
  p.settings.mapSelect = 3;
  p.settings.speedUnit = 1;
  CSpeedometer panel(p.settings, p.context, nullptr);
  panel.resize(430, 298);
  panel.show();

  auto* provider = panel.findChild<QComboBox*>("ctl_311");
  auto* unit = panel.findChild<QComboBox*>("ctl_312");
  EXPECT_EQ(provider->currentText(), "Baidu");
  EXPECT_EQ(unit->currentText(), "mp/h");
  EXPECT_EQ(panel.findChild<QLineEdit*>("ctl_305")->text(), "0.0000");
  EXPECT_EQ(panel.findChild<QLabel*>("ctl_534")->text(), "Longitude And Latitude:");
  EXPECT_EQ(panel.findChild<QLabel*>("ctl_537")->text(), "");
  EXPECT_EQ(panel.findChild<QWidget*>("ctl_311")->geometry(), QRect(150, 5, 75, 17));
  EXPECT_EQ(panel.findChild<QWidget*>("ctl_769")->geometry(), QRect(235, 60, 60, 21));

  unit->setCurrentIndex(2);  // "kn"
  EXPECT_EQ(p.settings.speedUnit, 2);
  EXPECT_EQ(ReadKey(p.temp.paths.file, "SPEED/SPEED_UNIT"), "2");

  provider->setCurrentIndex(0);
  provider->setCurrentIndex(1);  // "Baidu"
  EXPECT_EQ(link.providers, (std::vector<int>{0, 1}));
  panel.RetextSpeedometerPanel();  // refilling the lists chooses nothing
  EXPECT_EQ(link.providers.size(), 2u);
  EXPECT_EQ(p.settings.speedUnit, 2);

  auto* fix = panel.findChild<QCheckBox*>("ctl_559");
  ASSERT_TRUE(fix->isVisible());
  EXPECT_TRUE(fix->isChecked());
  fix->click();
  EXPECT_EQ(p.settings.gpsFix, 0);
  EXPECT_EQ(ReadKey(p.temp.paths.file, "GPSFIX/FIX"), "0");
  EXPECT_EQ(ReadKey(p.temp.paths.file, "LANGUAGE/LAN_SELECT"), "3");

  QTest::mouseClick(panel.findChild<CPictureButton*>("ctl_769"), Qt::LeftButton);
  EXPECT_EQ(link.abouts, 1);

  panel.SetPositionTexts("114.057812", "22.543099");
  panel.SetDisplaySpeed(54);
  panel.SetRawSpeed(100);
  panel.UpdateFields();
  EXPECT_EQ(panel.findChild<QLineEdit*>("ctl_306")->text(), "22.543099");
  EXPECT_EQ(panel.findChild<QLineEdit*>("ctl_308")->text(), "54");
  EXPECT_EQ(panel.rawSpeed(), 100);

  // The hidden controls exist; the colour boxes choose the track colour.
  for (const char* name : {"ctl_492", "ctl_527", "ctl_308", "ctl_541", "ctl_533", "ctl_500", "ctl_503"}) {
    ASSERT_NE(panel.findChild<QWidget*>(name), nullptr) << name;
    EXPECT_TRUE(panel.findChild<QWidget*>(name)->isHidden()) << name;
  }
  EXPECT_EQ(panel.findChild<QLabel*>("ctl_527")->text(), "speed:");
  EXPECT_EQ(TrackColourIndex(), 0);
  auto* blue = panel.findChild<QCheckBox*>("ctl_495");
  blue->click();
  EXPECT_EQ(TrackColourIndex(), 2);
  EXPECT_FALSE(panel.findChild<QCheckBox*>("ctl_493")->isChecked());
  panel.findChild<QCheckBox*>("ctl_493")->click();
  EXPECT_EQ(TrackColourIndex(), 0);
  EXPECT_FALSE(blue->isChecked());
}

TEST(Speedometer, GpsFixBoxAndMapPicturesFollowTheLanguage) {
  Panels p(1, kLangEnglish, kLangAuto);
  FakeMainWindow link;
  p.context.mainWindow = &link;
  CSpeedometer panel(p.settings, p.context, nullptr);
  panel.resize(430, 298);
  panel.show();
  auto* map = panel.findChild<CPictureButton*>("ctl_759");
  auto* about = panel.findChild<CPictureButton*>("ctl_769");
  EXPECT_TRUE(panel.findChild<QWidget*>("ctl_540")->isVisible());

  // English chosen automatically: hidden after every change of language.
  for (int language : {kLangEnglish, kLangSimplifiedChinese, kLangEnglish, kLangRussian, kLangEnglish}) {
    p.settings.uiLanguage = language;
    p.context.languageIndex = StringTableIndex(language);
    panel.RetextSpeedometerPanel();
    panel.ApplyLanguagePictures(language);
    const bool expected = language != kLangEnglish;
    EXPECT_EQ(panel.findChild<QWidget*>("ctl_559")->isVisible(), expected) << language;
    EXPECT_EQ(panel.findChild<QWidget*>("ctl_560")->isVisible(), expected) << language;
  }
  EXPECT_EQ(map->pictureId(), 761);
  EXPECT_EQ(about->pictureId(), 780);

  // Hide the map, then switch the language: still Show Map.
  QTest::mouseClick(map, Qt::LeftButton);
  EXPECT_FALSE(panel.mapVisible());
  EXPECT_EQ(map->pictureId(), 762);
  struct PictureCase {
    int language, mapPicture, aboutPicture;
  };
  for (const PictureCase& c : {PictureCase{kLangSimplifiedChinese, 760, 778}, PictureCase{kLangTraditionalChinese, 768, 779},
                               PictureCase{kLangRussian, 762, 780}}) {
    p.settings.uiLanguage = c.language;
    p.context.languageIndex = StringTableIndex(c.language);
    panel.RetextSpeedometerPanel();
    panel.ApplyLanguagePictures(c.language);
    EXPECT_EQ(map->pictureId(), c.mapPicture) << c.language;
    EXPECT_EQ(about->pictureId(), c.aboutPicture) << c.language;
  }
  EXPECT_EQ(panel.findChild<QLabel*>("ctl_537")->text(), "°");

  // The second press shows the map again.
  QTest::mouseClick(map, Qt::LeftButton);
  EXPECT_EQ(link.mapShown, (std::vector<bool>{false, true}));
  EXPECT_TRUE(panel.mapVisible());
  EXPECT_EQ(map->pictureId(), 761);
}

// Every text of the three panels fits its rectangle in every language, at
// the sizes the main window gives them in a 1900 x 1000 window.
TEST(InstrumentPanels, TextsFitInEveryLanguage) {
  for (int bkColor : {0, 1}) {
    for (int language : {kLangEnglish, kLangSimplifiedChinese, kLangTraditionalChinese, kLangRussian}) {
      SCOPED_TRACE(testing::Message() << "language " << language << " theme " << bkColor);
      Panels p(bkColor, language, language);
      p.settings.mapSelect = 3;
      QWidget root;
      root.setObjectName("root");
      root.resize(1500, 460);
      auto* speedometer = new CSpeedometer(p.settings, p.context, &root);
      auto* scope = new CScopeDlg(p.settings, p.context, &root);
      auto* menu = new CScopeMenu(p.settings, *scope, &root);
      speedometer->setGeometry(1060, 0, 430, 298);
      scope->setGeometry(0, 300, 1072, 143);
      menu->setGeometry(0, 443, 1072, 17);
      speedometer->RetextSpeedometerPanel();
      speedometer->ApplyLanguagePictures(language);
      speedometer->SetPositionTexts("114.057812", "22.543099");
      speedometer->UpdateFields();
      menu->ApplyLanguage(language);
      root.show();
      QCoreApplication::processEvents();
      for (int unit = 0; unit < 3; ++unit) {
        speedometer->findChild<QComboBox*>("ctl_312")->setCurrentIndex(unit);
        const auto problems = CheckTextFit(root);
        for (const TextFitProblem& problem : problems)
          ADD_FAILURE() << problem.object.toStdString() << " | " << problem.text.toStdString() << " | "
                        << problem.reason.toStdString();
      }
      menu->AccelTabPressed();
      QCoreApplication::processEvents();
      for (const TextFitProblem& problem : CheckTextFit(root))
        ADD_FAILURE() << problem.object.toStdString() << " | " << problem.text.toStdString() << " | "
                      << problem.reason.toStdString();
    }
  }
}

}  // namespace
