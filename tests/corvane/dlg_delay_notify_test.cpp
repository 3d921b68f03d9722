#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "corvane/app/string_table.h"
#include "corvane/search/dlg_delay_notify.h"

// Takes the desktop's "file" URLs for the life of the object, so that no
// file manager starts during the tests.
class FileUrlCatcher : public QObject {
  Q_OBJECT

 public:
  FileUrlCatcher() { QDesktopServices::setUrlHandler("file", this, "Open"); }
  ~FileUrlCatcher() override { QDesktopServices::unsetUrlHandler("file"); }

  QList<QUrl> urls;

 public slots:
  void Open(const QUrl& url) { urls.append(url); }
};

namespace {

struct Notice {
  StringTable table = StringTable::FromResource();
  AppContext context{table};
  CDlgDelayNotiFy dlg{context};
  QPlainTextEdit* text = dlg.findChild<QPlainTextEdit*>("ctl_305");
  QPushButton* openFolder = dlg.findChild<QPushButton*>("ctl_1");
  QPushButton* close = dlg.findChild<QPushButton*>("ctl_2");
};

QString CloseText(int seconds) {
  return QString::asprintf("CLOSE(%02d)", seconds);
}

// Shows a notice and takes its first tick, which brings the window up.
void ShowAndTick(Notice& n, const QString& title, int seconds) {
  n.dlg.ShowNotice(title, "text", "", seconds);
  n.dlg.OnTimer();
}

// A new notice is taken: its first tick shows it counting from `seconds`.
void ExpectAccepted(Notice& n, const QString& title, int seconds) {
  ShowAndTick(n, title, seconds);
  EXPECT_EQ(n.dlg.windowTitle(), title);
  EXPECT_EQ(n.text->toPlainText(), "text");
  EXPECT_TRUE(n.dlg.isVisible());
  EXPECT_EQ(n.close->text(), CloseText(seconds));
}

// Steps the countdown to its end: the window hides one tick after CLOSE(01).
void TickToEnd(Notice& n) {
  while (n.dlg.countdown() > 0) n.dlg.OnTimer();
  n.dlg.OnTimer();
}

TEST(DlgDelayNotiFy, LayoutKeepsTextAndButtons) {
  Notice n;
  ASSERT_NE(n.text, nullptr);
  ASSERT_NE(n.openFolder, nullptr);
  ASSERT_NE(n.close, nullptr);
  EXPECT_TRUE(n.text->isReadOnly());
  EXPECT_FALSE(n.dlg.isModal());
  EXPECT_TRUE(n.dlg.isWindow());
  ShowAndTick(n, "Snapshot", 10);
  ASSERT_TRUE(n.dlg.isVisible());
  const QRect inside = n.dlg.rect();
  for (const QWidget* w : {static_cast<QWidget*>(n.text),
                           static_cast<QWidget*>(n.openFolder),
                           static_cast<QWidget*>(n.close)}) {
    EXPECT_TRUE(w->isVisible()) << w->objectName().toStdString();
    EXPECT_TRUE(inside.contains(w->geometry()))
        << w->objectName().toStdString();
  }
  EXPECT_FALSE(n.openFolder->geometry().intersects(n.close->geometry()));
  EXPECT_FALSE(n.text->geometry().intersects(n.close->geometry()));
}

TEST(DlgDelayNotiFy, ThreeNoticesInARowCountDownOnce) {
  Notice n;
  n.dlg.ShowNotice("Snapshot 1", "first", "", 10);
  n.dlg.ShowNotice("Snapshot 2", "second", "", 10);
  n.dlg.ShowNotice("Snapshot 3", "third", "", 10);
  EXPECT_FALSE(n.dlg.isVisible());  // shown at the first tick
  EXPECT_TRUE(n.dlg.timerActive());
  EXPECT_EQ(n.dlg.windowTitle(), "Snapshot 1");
  EXPECT_EQ(n.text->toPlainText(), "first");

  for (int left = 10; left >= 1; --left) {
    n.dlg.OnTimer();
    EXPECT_TRUE(n.dlg.isVisible()) << left;
    EXPECT_EQ(n.close->text(), CloseText(left));
    EXPECT_EQ(n.dlg.countdown(), left - 1);
  }
  n.dlg.OnTimer();
  EXPECT_FALSE(n.dlg.isVisible());
  EXPECT_FALSE(n.dlg.timerActive());
  EXPECT_EQ(n.dlg.windowTitle(), "Snapshot 1");
}

TEST(DlgDelayNotiFy, NoticeDuringCountdownIsDroppedThenAccepted) {
  Notice n;
  n.dlg.ShowNotice("Snapshot", "first", "", 3);
  n.dlg.OnTimer();
  n.dlg.ShowNotice("Export", "second", "", 5);
  EXPECT_EQ(n.dlg.windowTitle(), "Snapshot");
  EXPECT_EQ(n.text->toPlainText(), "first");
  EXPECT_EQ(n.dlg.countdown(), 2);
  TickToEnd(n);
  ASSERT_FALSE(n.dlg.isVisible());
  ExpectAccepted(n, "Export", 5);
}

TEST(DlgDelayNotiFy, CloseButtonHidesAtOnceAndNextTickStops) {
  Notice n;
  ShowAndTick(n, "Snapshot", 10);
  n.dlg.OnTimer();
  ASSERT_TRUE(n.dlg.isVisible());
  QTest::mouseClick(n.close, Qt::LeftButton);
  EXPECT_FALSE(n.dlg.isVisible());
  EXPECT_EQ(n.dlg.countdown(), 0);
  EXPECT_TRUE(n.dlg.timerActive());
  n.dlg.OnTimer();
  EXPECT_FALSE(n.dlg.isVisible());
  EXPECT_FALSE(n.dlg.timerActive());
}

TEST(DlgDelayNotiFy, EscapeActsAsCloseButton) {
  Notice n;
  ShowAndTick(n, "Snapshot", 10);
  QTest::keyClick(&n.dlg, Qt::Key_Escape);
  EXPECT_FALSE(n.dlg.isVisible());
  EXPECT_EQ(n.dlg.countdown(), 0);
  n.dlg.OnTimer();  // a closed notice does not come back
  EXPECT_FALSE(n.dlg.isVisible());
  EXPECT_FALSE(n.dlg.timerActive());
}

TEST(DlgDelayNotiFy, NegativeSecondsShowNothingAndBlockNothing) {
  Notice n;
  n.dlg.ShowNotice("Broken", "text", "", -3);
  EXPECT_EQ(n.dlg.countdown(), 0);
  n.dlg.OnTimer();
  EXPECT_FALSE(n.dlg.isVisible());
  EXPECT_FALSE(n.dlg.timerActive());
  ExpectAccepted(n, "Snapshot", 2);
}

TEST(DlgDelayNotiFy, RealTimerShowsThenHides) {
  Notice n;
  n.dlg.ShowNotice("Snapshot", "text", "", 1);
  ASSERT_TRUE(QTest::qWaitFor([&] { return n.dlg.isVisible(); }, 10000));
  EXPECT_EQ(n.close->text(), CloseText(1));
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return !n.dlg.isVisible() && !n.dlg.timerActive(); }, 10000));
}

TEST(DlgDelayNotiFy, OpenFolderAsksDesktopForFileUrl) {
  FileUrlCatcher catcher;
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString folder = dir.path() + "/snap shots #1";
  ASSERT_TRUE(QDir().mkpath(folder));
  Notice n;
  n.dlg.SetFolder(folder);
  ShowAndTick(n, "Snapshot", 10);
  ASSERT_TRUE(n.openFolder->isEnabled());
  QTest::mouseClick(n.openFolder, Qt::LeftButton);
  ASSERT_EQ(catcher.urls.size(), 1);
  EXPECT_EQ(catcher.urls[0], QUrl::fromLocalFile(folder));
  EXPECT_EQ(catcher.urls[0].toLocalFile(), folder);
  EXPECT_TRUE(n.dlg.isVisible());  // the notice stays
  EXPECT_EQ(n.dlg.countdown(), 9);
}

TEST(DlgDelayNotiFy, OpenFolderWithoutUsableFolderDoesNothing) {
  FileUrlCatcher catcher;
  QTemporaryDir dir;
  Notice n;
  ShowAndTick(n, "Snapshot", 10);
  EXPECT_FALSE(n.openFolder->isEnabled());
  EXPECT_FALSE(n.dlg.OpenFolder());
  n.dlg.SetFolder(dir.path() + "/removed");
  EXPECT_TRUE(n.openFolder->isEnabled());
  EXPECT_FALSE(n.dlg.OpenFolder());
  EXPECT_TRUE(catcher.urls.isEmpty());
  EXPECT_TRUE(n.dlg.isVisible());
}

TEST(DlgDelayNotiFy, FileManagerThatCannotStartLeavesNoticeUp) {
  // The offscreen platform has no file manager: opening reports failure.
  QTemporaryDir dir;
  Notice n;
  n.dlg.SetFolder(dir.path());
  ShowAndTick(n, "Snapshot", 10);
  EXPECT_FALSE(n.dlg.OpenFolder());
  EXPECT_TRUE(n.dlg.isVisible());
  EXPECT_EQ(n.dlg.countdown(), 9);
}

TEST(DlgDelayNotiFy, RepaintRetextsOpenFolderInCurrentLanguage) {
  Notice n;
  n.context.languageIndex = 0;
  ShowAndTick(n, "Snapshot", 10);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&n.dlg));
  n.dlg.repaint();
  EXPECT_EQ(n.openFolder->text(), "Open folder");
  n.context.languageIndex = 10;
  EXPECT_EQ(n.openFolder->text(), "Open folder");  // not before a repaint
  n.dlg.repaint();
  EXPECT_EQ(n.openFolder->text(), QString::fromUtf8("Открыть папку"));
  n.context.languageIndex = 2;
  n.dlg.repaint();
  EXPECT_EQ(n.openFolder->text(), QString::fromUtf8("開啟資料夾"));
}

}  // namespace

#include "dlg_delay_notify_test.moc"
