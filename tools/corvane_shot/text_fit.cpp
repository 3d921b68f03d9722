#include "tools/corvane_shot/text_fit.h"

#include <QAbstractScrollArea>
#include <QFontMetrics>
#include <QStringList>
#include <QStyle>
#include <QWidget>

#include <algorithm>

#include "tools/corvane_shot/shown_text.h"

namespace {

// Wider and taller than any screen: the bounds of a measurement that must
// not wrap.
constexpr int kUnbounded = 1 << 20;

// A visible widget that shows text.
struct Showing {
  const QWidget* widget;
  std::vector<ShownText> texts;
  QRect visible;  // root coordinates, what its ancestors leave of it
};

// Visible descendants in tree order; widgets that are windows of their own
// (pop-ups, dialogs) are not part of this window.
void CollectVisible(const QWidget& parent, std::vector<const QWidget*>& out) {
  for (const QObject* child : parent.children()) {
    const auto* widget = qobject_cast<const QWidget*>(child);
    if (widget == nullptr || widget->isWindow() || widget->isHidden()) continue;
    out.push_back(widget);
    CollectVisible(*widget, out);
  }
}

QString ObjectPath(const QWidget& widget, const QWidget& root) {
  QStringList names;
  for (const QWidget* w = &widget; w != nullptr; w = w->parentWidget()) {
    names.prepend(w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                            : w->objectName());
    if (w == &root) break;
  }
  return names.join(u'/');
}

QString RectText(const QRect& rect) {
  return QString("%1x%2 at (%3,%4)")
      .arg(rect.width())
      .arg(rect.height())
      .arg(rect.x())
      .arg(rect.y());
}

QRect RectInRoot(const QWidget& widget, const QWidget& root) {
  return QRect(widget.mapTo(&root, QPoint(0, 0)), widget.size());
}

QRect VisibleInRoot(const QWidget& widget, const QWidget& root) {
  QRect rect = RectInRoot(widget, root);
  if (&widget == &root) return rect;
  for (const QWidget* ancestor = widget.parentWidget(); ancestor != nullptr;
       ancestor = ancestor->parentWidget()) {
    rect &= RectInRoot(*ancestor, root);
    if (ancestor == &root) break;
  }
  return rect;
}

bool IsScrollViewport(const QWidget& widget) {
  const auto* area = qobject_cast<const QAbstractScrollArea*>(widget.parentWidget());
  return area != nullptr && area->viewport() == &widget;
}

// The nearest ancestor of `widget` that does not show all of `rect` (root
// coordinates); null when none does. The search ends at a scroll area's
// viewport: what lies inside may be scrolled out of sight on purpose.
const QWidget* CuttingAncestor(const QWidget& widget, const QWidget& root, const QRect& rect) {
  if (&widget == &root) return nullptr;
  for (const QWidget* ancestor = widget.parentWidget(); ancestor != nullptr;
       ancestor = ancestor->parentWidget()) {
    if (IsScrollViewport(*ancestor)) return nullptr;
    if (!RectInRoot(*ancestor, root).contains(rect)) return ancestor;
    if (ancestor == &root) return nullptr;
  }
  return nullptr;
}

QString Overflow(const char* dimension, int needed, int room) {
  if (needed > room) {
    return QString("needs %1 px %2, has %3").arg(needed).arg(dimension).arg(room);
  }
  return QString("sticks out of its room (%1)").arg(dimension);
}

// Why `shown` does not fit its room; empty when it fits.
QString FitReason(const ShownText& shown) {
  const QRect& drawn = shown.drawn;
  const QRect& room = shown.room;
  QStringList why;
  if (!shown.widthScrolls && (drawn.left() < room.left() || drawn.right() > room.right())) {
    why << Overflow("width", drawn.width(), room.width());
  }
  if (drawn.top() < room.top() || drawn.bottom() > room.bottom()) {
    why << Overflow("height", drawn.height(), room.height());
  }
  return why.join("; ");
}

void CheckFit(const Showing& showing, const QWidget& root,
              std::vector<TextFitProblem>& problems) {
  const QWidget& widget = *showing.widget;
  for (const ShownText& shown : showing.texts) {
    const QString reason = FitReason(shown);
    if (!reason.isEmpty()) {
      problems.push_back({ObjectPath(widget, root), shown.text, "cut: " + reason});
      continue;
    }
    if (shown.scrollsInWidget) continue;
    const QRect inRoot = (shown.drawn & shown.room).translated(widget.mapTo(&root, QPoint(0, 0)));
    if (const QWidget* cutter = CuttingAncestor(widget, root, inRoot)) {
      problems.push_back({ObjectPath(widget, root), shown.text,
                          "cut by the edge of " + ObjectPath(*cutter, root) + ": text is " +
                              RectText(inRoot)});
    }
  }
}

// Reports `showing` against the widgets after it, so each pair once.
void CheckOverlaps(size_t index, const std::vector<Showing>& all, const QWidget& root,
                   std::vector<TextFitProblem>& problems) {
  const Showing& first = all[index];
  for (size_t other = index + 1; other < all.size(); ++other) {
    const Showing& second = all[other];
    if (first.widget->isAncestorOf(second.widget) || second.widget->isAncestorOf(first.widget)) {
      continue;
    }
    const QRect common = first.visible & second.visible;
    if (common.isEmpty()) continue;
    problems.push_back({ObjectPath(*first.widget, root), first.texts.front().text,
                        QString("overlaps %1 \"%2\" in %3")
                            .arg(ObjectPath(*second.widget, root), second.texts.front().text,
                                 RectText(common))});
  }
}

bool PaintsOver(const QWidget& widget, const std::vector<Showing>& showing) {
  return widget.autoFillBackground() || widget.testAttribute(Qt::WA_OpaquePaintEvent) ||
         widget.testAttribute(Qt::WA_StyledBackground) ||
         std::any_of(showing.begin(), showing.end(),
                     [&](const Showing& s) { return s.widget == &widget; });
}

void CheckPainted(const PaintedText& painted, const QWidget& root,
                  const std::vector<const QWidget*>& widgets, const std::vector<Showing>& showing,
                  std::vector<TextFitProblem>& problems) {
  const bool wraps = (painted.flags & Qt::TextWordWrap) != 0;
  const QRect bounds(0, 0, wraps ? painted.rect.width() : kUnbounded, kUnbounded);
  const QSize size = QFontMetrics(painted.font).boundingRect(bounds, painted.flags, painted.text).size();
  ShownText shown;
  shown.text = painted.text;
  shown.room = painted.rect;
  const Qt::Alignment alignment =
      Qt::Alignment::fromInt(painted.flags) & (Qt::AlignHorizontal_Mask | Qt::AlignVertical_Mask);
  shown.drawn = QStyle::alignedRect(Qt::LeftToRight, alignment, size, painted.rect);
  const QString reason = FitReason(shown);
  if (!reason.isEmpty()) problems.push_back({painted.name, painted.text, "cut: " + reason});

  const QRect visible = shown.drawn & shown.room;
  for (const QWidget* widget : widgets) {
    if (widget == &root || !PaintsOver(*widget, showing)) continue;
    const QRect covered = VisibleInRoot(*widget, root) & visible;
    if (covered.isEmpty()) continue;
    problems.push_back({painted.name, painted.text,
                        "covered by " + ObjectPath(*widget, root) + " in " + RectText(covered)});
  }
}

}  // namespace

std::vector<TextFitProblem> CheckTextFit(const QWidget& root,
                                         const std::vector<PaintedText>& painted) {
  std::vector<const QWidget*> widgets{&root};
  CollectVisible(root, widgets);
  std::vector<Showing> showing;
  for (const QWidget* widget : widgets) {
    std::vector<ShownText> texts = ShownTexts(*widget);
    if (!texts.empty()) showing.push_back({widget, std::move(texts), VisibleInRoot(*widget, root)});
  }

  std::vector<TextFitProblem> problems;
  for (size_t i = 0; i < showing.size(); ++i) {
    CheckFit(showing[i], root, problems);
    CheckOverlaps(i, showing, root, problems);
  }
  for (const PaintedText& text : painted) CheckPainted(text, root, widgets, showing, problems);
  return problems;
}
