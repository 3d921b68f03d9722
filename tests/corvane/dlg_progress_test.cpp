#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>

#include "corvane/search/dlg_progress.h"

namespace {

struct Owner {
  QWidget window;
  CDlgProgress* progress = new CDlgProgress(&window);
  QProgressBar* bar = progress->findChild<QProgressBar*>("ctl_387");
  QLabel* text = progress->findChild<QLabel*>("ctl_static");
};

// The bar spans the width at its own top and height; the text line starts
// one pixel below it, spans the width and keeps its height.
void ExpectLaidOut(const Owner& o, int width, const QRect& barBefore,
                   int textHeight) {
  EXPECT_EQ(o.bar->geometry(),
            QRect(0, barBefore.y(), width, barBefore.height()));
  EXPECT_EQ(o.text->geometry(),
            QRect(0, barBefore.y() + barBefore.height() + 1, width,
                  textHeight));
}

TEST(DlgProgress, StartsHiddenWithTemplateText) {
  Owner o;
  ASSERT_NE(o.bar, nullptr);
  ASSERT_NE(o.text, nullptr);
  o.window.show();
  EXPECT_FALSE(o.progress->isVisible());
  EXPECT_EQ(o.progress->parentWidget(), &o.window);
  EXPECT_EQ(o.text->text(), QString::fromUtf8("播放列表生成中..."));
}

TEST(DlgProgress, OwnerSetsTextRangeAndPosition) {
  Owner o;
  o.progress->SetRange(0, 480);
  o.progress->SetPos(120);
  o.progress->SetText("Searching 3/12");
  EXPECT_EQ(o.bar->minimum(), 0);
  EXPECT_EQ(o.bar->maximum(), 480);
  EXPECT_EQ(o.bar->value(), 120);
  EXPECT_EQ(o.text->text(), "Searching 3/12");
}

TEST(DlgProgress, EverySizeChangeLaysOutBarAndText) {
  Owner o;
  o.window.resize(800, 600);
  o.window.show();
  o.progress->show();
  const QRect barBefore = o.bar->geometry();
  const int textHeight = o.text->height();
  ASSERT_GT(barBefore.height(), 0);

  o.progress->resize(517, 60);
  ExpectLaidOut(o, 517, barBefore, textHeight);
  o.progress->resize(203, 50);
  ExpectLaidOut(o, 203, barBefore, textHeight);
}

TEST(DlgProgress, SizeChangedWhileHiddenIsLaidOutWhenShown) {
  Owner o;
  o.window.resize(800, 600);
  o.window.show();
  const QRect barBefore = o.bar->geometry();
  const int textHeight = o.text->height();
  o.progress->setGeometry(10, 300, 640, 48);
  o.progress->show();
  ExpectLaidOut(o, 640, barBefore, textHeight);
}

}  // namespace
