#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTextEdit>
#include <QWidget>

#include "tools/corvane_shot/text_fit.h"

namespace {

const QString kLong = "Vehicle Recorder Analysis Software";

// A shown top-level window named "root" for one test's widgets.
struct Window {
  Window() {
    root.setObjectName("root");
    root.resize(600, 400);
    root.show();
  }
  QWidget root;
};

template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(name);
  return widget;
}

QString Describe(const std::vector<TextFitProblem>& problems) {
  QStringList lines;
  for (const TextFitProblem& p : problems) lines << p.object + " | " + p.text + " | " + p.reason;
  return lines.join('\n');
}

TEST(TextFit, LabelTooNarrowForItsTextIsCut) {
  Window w;
  auto* label = Named(new QLabel(kLong, &w.root), "caption");
  label->setGeometry(10, 10, 40, 20);
  label->show();
  const auto problems = CheckTextFit(w.root);
  ASSERT_EQ(problems.size(), 1u) << Describe(problems).toStdString();
  EXPECT_EQ(problems[0].object, "root/caption");
  EXPECT_EQ(problems[0].text, kLong);
  EXPECT_TRUE(problems[0].reason.contains("px width, has 40")) << problems[0].reason.toStdString();
}

TEST(TextFit, LabelSizedToItsTextFits) {
  Window w;
  auto* label = new QLabel(kLong, &w.root);
  label->move(10, 10);
  label->adjustSize();
  auto* wrapped = new QLabel(kLong, &w.root);
  wrapped->setWordWrap(true);
  wrapped->setGeometry(10, 50, 120, 80);
  label->show();
  wrapped->show();
  const auto problems = CheckTextFit(w.root);
  EXPECT_TRUE(problems.empty()) << Describe(problems).toStdString();
}

TEST(TextFit, WrappedLabelTooLowIsCut) {
  Window w;
  auto* label = Named(new QLabel(kLong, &w.root), "wrapped");
  label->setWordWrap(true);
  label->setGeometry(10, 10, 120, label->fontMetrics().height());
  label->show();
  const auto problems = CheckTextFit(w.root);
  ASSERT_EQ(problems.size(), 1u) << Describe(problems).toStdString();
  EXPECT_EQ(problems[0].object, "root/wrapped");
  EXPECT_TRUE(problems[0].reason.contains("px height")) << problems[0].reason.toStdString();
  EXPECT_FALSE(problems[0].reason.contains("width")) << problems[0].reason.toStdString();
}

TEST(TextFit, OverlappingSiblingsAreReportedOnce) {
  Window w;
  auto* first = Named(new QLabel("Start", &w.root), "first");
  auto* second = Named(new QLabel("End", &w.root), "second");
  first->move(10, 10);
  first->adjustSize();
  second->move(first->x() + first->width() - 2, 12);
  second->adjustSize();
  first->show();
  second->show();
  const auto problems = CheckTextFit(w.root);
  ASSERT_EQ(problems.size(), 1u) << Describe(problems).toStdString();
  EXPECT_EQ(problems[0].object, "root/first");
  EXPECT_TRUE(problems[0].reason.startsWith("overlaps root/second \"End\""))
      << problems[0].reason.toStdString();

  second->move(first->x() + first->width(), 12);
  EXPECT_TRUE(CheckTextFit(w.root).empty());
}

TEST(TextFit, ChildInsideItsParentIsNoOverlap) {
  Window w;
  auto* box = Named(new QGroupBox("Search", &w.root), "box");
  box->setGeometry(10, 10, 300, 200);
  auto* label = new QLabel("Channel", box);
  label->move(20, 40);
  label->adjustSize();
  auto* button = new QPushButton("Find", box);
  button->move(20, 80);
  button->resize(button->sizeHint());
  box->show();
  const auto problems = CheckTextFit(w.root);
  EXPECT_TRUE(problems.empty()) << Describe(problems).toStdString();
}

TEST(TextFit, HiddenWidgetsAreNotChecked) {
  Window w;
  auto* label = new QLabel(kLong, &w.root);
  label->setGeometry(10, 10, 40, 20);
  label->hide();
  auto* panel = new QWidget(&w.root);
  panel->setGeometry(0, 0, 300, 300);
  panel->hide();
  auto* inside = new QLabel(kLong, panel);
  inside->setGeometry(10, 10, 40, 20);
  EXPECT_TRUE(CheckTextFit(w.root).empty());
}

TEST(TextFit, TextReachingPastItsParentIsCut) {
  Window w;
  auto* panel = Named(new QWidget(&w.root), "panel");
  panel->setGeometry(0, 0, 100, 50);
  auto* label = Named(new QLabel(kLong, panel), "label");
  label->move(60, 10);
  label->adjustSize();
  panel->show();
  const auto problems = CheckTextFit(w.root);
  ASSERT_EQ(problems.size(), 1u) << Describe(problems).toStdString();
  EXPECT_EQ(problems[0].object, "root/panel/label");
  EXPECT_TRUE(problems[0].reason.startsWith("cut by the edge of root/panel"))
      << problems[0].reason.toStdString();
}

TEST(TextFit, ButtonsAndComboBoxesNeedTheirStyledContents) {
  Window w;
  auto* push = Named(new QPushButton(kLong, &w.root), "push");
  auto* check = Named(new QCheckBox(kLong, &w.root), "check");
  auto* combo = Named(new QComboBox(&w.root), "combo");
  combo->addItems({"Short", kLong});
  combo->setCurrentIndex(1);
  push->move(0, 0);
  check->move(0, 60);
  combo->move(0, 120);
  for (QWidget* widget : {static_cast<QWidget*>(push), static_cast<QWidget*>(check),
                          static_cast<QWidget*>(combo)}) {
    widget->resize(widget->sizeHint());
    widget->show();
  }
  auto problems = CheckTextFit(w.root);
  EXPECT_TRUE(problems.empty()) << Describe(problems).toStdString();

  // The width of the text alone leaves no room for frame, indicator or arrow.
  const int textWidth = push->fontMetrics().horizontalAdvance(kLong);
  for (QWidget* widget : {static_cast<QWidget*>(push), static_cast<QWidget*>(check),
                          static_cast<QWidget*>(combo)}) {
    widget->resize(textWidth, widget->height());
  }
  problems = CheckTextFit(w.root);
  ASSERT_EQ(problems.size(), 3u) << Describe(problems).toStdString();
  EXPECT_EQ(problems[0].object, "root/push");
  EXPECT_EQ(problems[1].object, "root/check");
  EXPECT_EQ(problems[2].object, "root/combo");
  for (const TextFitProblem& problem : problems) EXPECT_EQ(problem.text, kLong);
}

TEST(TextFit, TypedTextScrollsButReadOnlyTextMustFit) {
  Window w;
  auto* edit = Named(new QLineEdit(kLong, &w.root), "edit");
  edit->setGeometry(0, 0, 60, edit->sizeHint().height());
  auto* box = Named(new QTextEdit(&w.root), "box");
  box->setPlainText(kLong + "\n" + kLong + "\n" + kLong);
  box->setGeometry(0, 100, 80, 60);
  edit->show();
  box->show();
  auto problems = CheckTextFit(w.root);
  EXPECT_TRUE(problems.empty()) << Describe(problems).toStdString();

  edit->setReadOnly(true);
  box->resize(80, 8);
  problems = CheckTextFit(w.root);
  ASSERT_EQ(problems.size(), 2u) << Describe(problems).toStdString();
  EXPECT_EQ(problems[0].object, "root/edit");
  EXPECT_TRUE(problems[0].reason.contains("width")) << problems[0].reason.toStdString();
  EXPECT_EQ(problems[1].object, "root/box");
  EXPECT_TRUE(problems[1].reason.contains("height")) << problems[1].reason.toStdString();
}

TEST(TextFit, GroupBoxTitleWiderThanTheBoxIsCut) {
  Window w;
  auto* box = Named(new QGroupBox(kLong, &w.root), "box");
  box->setGeometry(10, 10, 60, 100);
  box->show();
  const auto problems = CheckTextFit(w.root);
  ASSERT_EQ(problems.size(), 1u) << Describe(problems).toStdString();
  EXPECT_EQ(problems[0].object, "root/box");

  box->resize(box->fontMetrics().horizontalAdvance(kLong) + 40, 100);
  EXPECT_TRUE(CheckTextFit(w.root).empty()) << Describe(CheckTextFit(w.root)).toStdString();
}

TEST(TextFit, HeaderSectionsMustHoldTheirTitles) {
  Window w;
  auto* table = Named(new QTableWidget(3, 2, &w.root), "list");
  table->setHorizontalHeaderLabels({"Nr", kLong});
  table->setGeometry(0, 0, 580, 200);
  table->setColumnWidth(0, 41);
  table->setColumnWidth(1, 41);
  table->show();
  const auto problems = CheckTextFit(w.root);
  ASSERT_EQ(problems.size(), 1u) << Describe(problems).toStdString();
  EXPECT_EQ(problems[0].text, kLong);
  EXPECT_TRUE(problems[0].object.startsWith("root/list/")) << problems[0].object.toStdString();

  table->setColumnWidth(1, 400);
  EXPECT_TRUE(CheckTextFit(w.root).empty()) << Describe(CheckTextFit(w.root)).toStdString();
}

TEST(TextFit, PaintedTextMustFitItsRectangleAndStayUncovered) {
  Window w;
  PaintedText caption{"caption", kLong, QRect(110, 5, 50, 25), Qt::AlignLeft | Qt::AlignTop,
                      w.root.font()};
  auto problems = CheckTextFit(w.root, {caption});
  ASSERT_EQ(problems.size(), 1u) << Describe(problems).toStdString();
  EXPECT_EQ(problems[0].object, "caption");
  EXPECT_TRUE(problems[0].reason.contains("px width, has 50")) << problems[0].reason.toStdString();

  caption.rect = QRect(110, 5, 400, 25);
  // A container that paints nothing leaves the caption readable.
  auto* frame = new QWidget(&w.root);
  frame->setGeometry(100, 0, 200, 30);
  frame->show();
  EXPECT_TRUE(CheckTextFit(w.root, {caption}).empty());

  auto* panel = Named(new QWidget(&w.root), "panel");
  panel->setAutoFillBackground(true);
  panel->setGeometry(100, 10, 200, 30);
  panel->show();
  problems = CheckTextFit(w.root, {caption});
  ASSERT_EQ(problems.size(), 1u) << Describe(problems).toStdString();
  EXPECT_TRUE(problems[0].reason.startsWith("covered by root/panel"))
      << problems[0].reason.toStdString();
}

}  // namespace
