#include "corvane/controls/fit_text.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

constexpr int kSmallestPixels = 7;
constexpr int kCondensedFrom = 8;
// What QLineEdit keeps between its contents and the text on either side.
constexpr int kLineEditMargin = 2;

QSize ComboRoom(const QComboBox& combo) {
  QStyleOptionComboBox option;
  option.initFrom(&combo);
  option.editable = false;
  option.frame = combo.hasFrame();
  option.subControls = QStyle::SC_All;
  return combo.style()
      ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, &combo)
      .adjusted(1, 0, -1, 0)
      .size();
}

QSize LineEditRoom(const QLineEdit& edit) {
  QStyleOptionFrame option;
  option.initFrom(&edit);
  option.rect = edit.contentsRect();
  option.lineWidth =
      edit.hasFrame() ? edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &edit) : 0;
  option.state |= QStyle::State_Sunken | QStyle::State_ReadOnly;
  return edit.style()
      ->subElementRect(QStyle::SE_LineEditContents, &option, &edit)
      .marginsRemoved(edit.textMargins())
      .adjusted(kLineEditMargin, 0, -kLineEditMargin, 0)
      .size();
}

QSize Room(const QWidget& widget) {
  if (const auto* combo = qobject_cast<const QComboBox*>(&widget)) return ComboRoom(*combo);
  if (const auto* edit = qobject_cast<const QLineEdit*>(&widget)) return LineEditRoom(*edit);
  if (const auto* label = qobject_cast<const QLabel*>(&widget)) {
    const int margin = label->margin();
    return label->contentsRect().adjusted(margin, margin, -margin, -margin).size();
  }
  return widget.contentsRect().size();
}

bool Fits(const QFont& font, const QStringList& texts, QSize room) {
  const QFontMetrics metrics(font);
  for (const QString& text : texts) {
    const QRect bounds = metrics.boundingRect(QRect(0, 0, 1 << 20, 1 << 20), Qt::AlignLeft, text);
    const int width = std::max(bounds.width(), metrics.horizontalAdvance(text));
    const int height = std::max({bounds.height(), metrics.height(), metrics.boundingRect(text).height()});
    if (width > room.width() || height > room.height()) return false;
  }
  return true;
}

}  // namespace

void FitTextsInto(QWidget& widget, const QStringList& texts) {
  const QWidget* panel = widget.parentWidget();
  QFont font = panel != nullptr ? panel->font() : widget.font();
  const int start = font.pixelSize() > 0 ? font.pixelSize() : QFontMetrics(font).height() - 2;
  const QSize room = Room(widget);
  // Regular letters down to the smallest comfortable size, then condensed
  // ones from a little above it.
  std::vector<std::pair<int, int>> tries;  // pixel size, stretch
  for (int pixels = start; pixels >= kCondensedFrom; --pixels) tries.emplace_back(pixels, QFont::Unstretched);
  for (int pixels = std::min(start, kCondensedFrom + 1); pixels >= kSmallestPixels; --pixels)
    tries.emplace_back(pixels, QFont::Condensed);
  for (const auto& [pixels, stretch] : tries) {
    font.setPixelSize(pixels);
    font.setStretch(stretch);
    if (Fits(font, texts, room)) break;
  }
  widget.setFont(font);
}
