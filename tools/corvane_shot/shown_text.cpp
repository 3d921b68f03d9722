#include "tools/corvane_shot/shown_text.h"

#include <QAbstractSpinBox>
#include <QAbstractTextDocumentLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>
#include <QToolButton>

#include <cmath>

namespace {

// Wider and taller than any screen: the bounds of a measurement that must
// not wrap.
constexpr int kUnbounded = 1 << 20;
// What Qt's styles leave between an icon and the text beside it.
constexpr int kIconTextGap = 4;
// QLineEdit keeps this many pixels between its contents edge and the text.
constexpr int kLineEditTextMargin = 2;

QRect Place(const QWidget& widget, Qt::Alignment alignment, QSize size,
            const QRect& room) {
  return QStyle::alignedRect(widget.layoutDirection(), alignment, size, room);
}

ShownText Shown(const QString& text, const QRect& drawn, const QRect& room) {
  ShownText shown;
  shown.text = text;
  shown.drawn = drawn;
  shown.room = room;
  return shown;
}

// A label's room as QLabel lays out its text: contents rectangle less the
// margin, less the indent on the aligned side.
QRect LabelRoom(const QLabel& label) {
  const int margin = label.margin();
  QRect room = label.contentsRect().adjusted(margin, margin, -margin, -margin);
  int indent = label.indent();
  if (indent < 0 && label.frameWidth() > 0) {
    indent = label.fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2 - margin;
  }
  if (indent <= 0) return room;
  const Qt::Alignment align =
      QStyle::visualAlignment(label.layoutDirection(), label.alignment());
  if (align & Qt::AlignLeft) room.setLeft(room.left() + indent);
  if (align & Qt::AlignRight) room.setRight(room.right() - indent);
  if (align & Qt::AlignTop) room.setTop(room.top() + indent);
  if (align & Qt::AlignBottom) room.setBottom(room.bottom() - indent);
  return room;
}

QSize RichTextSize(const QLabel& label, int roomWidth) {
  QTextDocument document;
  document.setDefaultFont(label.font());
  document.setDocumentMargin(0);
  document.setHtml(label.text());
  if (label.wordWrap()) document.setTextWidth(roomWidth);
  return QSize(static_cast<int>(std::ceil(document.idealWidth())),
               static_cast<int>(std::ceil(document.size().height())));
}

std::vector<ShownText> LabelTexts(const QLabel& label) {
  const QString text = label.text();
  if (text.isEmpty()) return {};
  const QRect room = LabelRoom(label);
  const bool rich = label.textFormat() == Qt::RichText ||
                    (label.textFormat() == Qt::AutoText && Qt::mightBeRichText(text));
  QSize size;
  if (rich) {
    size = RichTextSize(label, room.width());
  } else {
    int flags = static_cast<int>(label.alignment());
    if (label.wordWrap()) flags |= Qt::TextWordWrap;
    // A label shows its mnemonic only when it has a buddy.
    if (label.buddy() != nullptr) flags |= Qt::TextShowMnemonic;
    const QRect bounds(0, 0, label.wordWrap() ? room.width() : kUnbounded, kUnbounded);
    size = label.fontMetrics().boundingRect(bounds, flags, text).size();
  }
  return {Shown(text, Place(label, label.alignment(), size, room), room)};
}

// The text of a button next to an optional icon that takes the room's left.
std::vector<ShownText> TextBesideIcon(const QAbstractButton& button, QRect room,
                                      bool hasIcon, Qt::Alignment alignment) {
  if (hasIcon) room.setLeft(room.left() + button.iconSize().width() + kIconTextGap);
  const QSize size = button.fontMetrics().size(Qt::TextShowMnemonic, button.text());
  return {Shown(button.text(), Place(button, alignment, size, room), room)};
}

QStyleOptionButton ButtonOption(const QAbstractButton& button) {
  QStyleOptionButton option;
  option.initFrom(&button);
  option.text = button.text();
  option.icon = button.icon();
  option.iconSize = button.iconSize();
  return option;
}

std::vector<ShownText> PushButtonTexts(const QPushButton& button) {
  QStyleOptionButton option = ButtonOption(button);
  if (button.isFlat()) option.features |= QStyleOptionButton::Flat;
  if (button.isDefault()) option.features |= QStyleOptionButton::DefaultButton;
  if (button.autoDefault()) option.features |= QStyleOptionButton::AutoDefaultButton;
  if (button.menu() != nullptr) option.features |= QStyleOptionButton::HasMenu;
  const QStyle* style = button.style();
  QRect room = style->subElementRect(QStyle::SE_PushButtonContents, &option, &button);
  if (button.menu() != nullptr) {
    room.setRight(room.right() -
                  style->pixelMetric(QStyle::PM_MenuButtonIndicator, &option, &button));
  }
  return TextBesideIcon(button, room, !option.icon.isNull(), Qt::AlignCenter);
}

// Check boxes and radio buttons: the text right of the indicator.
std::vector<ShownText> IndicatorButtonTexts(const QAbstractButton& button,
                                            QStyle::SubElement contents) {
  const QStyleOptionButton option = ButtonOption(button);
  const QRect room = button.style()->subElementRect(contents, &option, &button);
  return TextBesideIcon(button, room, !option.icon.isNull(),
                        Qt::AlignLeft | Qt::AlignVCenter);
}

std::vector<ShownText> ToolButtonTexts(const QToolButton& button) {
  const bool hasIcon = !button.icon().isNull();
  Qt::ToolButtonStyle shape = button.toolButtonStyle();
  if (shape == Qt::ToolButtonFollowStyle) {
    shape = static_cast<Qt::ToolButtonStyle>(
        button.style()->styleHint(QStyle::SH_ToolButtonStyle, nullptr, &button));
  }
  if (!hasIcon) shape = Qt::ToolButtonTextOnly;
  if (shape == Qt::ToolButtonIconOnly) return {};

  const QStyle* style = button.style();
  const int frame = style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &button);
  QRect room = button.rect().adjusted(frame, frame, -frame, -frame);
  if (button.popupMode() == QToolButton::MenuButtonPopup) {
    room.setRight(room.right() -
                  style->pixelMetric(QStyle::PM_MenuButtonIndicator, nullptr, &button));
  }
  if (shape == Qt::ToolButtonTextUnderIcon) {
    room.setTop(room.top() + button.iconSize().height() + kIconTextGap);
    return TextBesideIcon(button, room, false, Qt::AlignHCenter | Qt::AlignTop);
  }
  return TextBesideIcon(button, room, shape == Qt::ToolButtonTextBesideIcon,
                        shape == Qt::ToolButtonTextOnly ? Qt::AlignCenter
                                                        : Qt::AlignLeft | Qt::AlignVCenter);
}

std::vector<ShownText> ButtonTexts(const QAbstractButton& button) {
  if (button.text().isEmpty()) return {};
  if (const auto* push = qobject_cast<const QPushButton*>(&button)) {
    return PushButtonTexts(*push);
  }
  if (qobject_cast<const QCheckBox*>(&button) != nullptr) {
    return IndicatorButtonTexts(button, QStyle::SE_CheckBoxContents);
  }
  if (qobject_cast<const QRadioButton*>(&button) != nullptr) {
    return IndicatorButtonTexts(button, QStyle::SE_RadioButtonContents);
  }
  if (const auto* tool = qobject_cast<const QToolButton*>(&button)) {
    return ToolButtonTexts(*tool);
  }
  // Buttons that draw themselves: their contents rectangle.
  return TextBesideIcon(button, button.contentsRect(), !button.icon().isNull(),
                        Qt::AlignCenter);
}

// An editable combo box shows its text in its line edit, checked as such.
std::vector<ShownText> ComboTexts(const QComboBox& combo) {
  const QString text = combo.currentText();
  if (combo.isEditable() || text.isEmpty()) return {};
  QStyleOptionComboBox option;
  option.initFrom(&combo);
  option.editable = false;
  option.frame = combo.hasFrame();
  option.currentText = text;
  option.currentIcon = combo.itemIcon(combo.currentIndex());
  option.iconSize = combo.iconSize();
  option.subControls = QStyle::SC_All;
  QRect room = combo.style()
                   ->subControlRect(QStyle::CC_ComboBox, &option,
                                    QStyle::SC_ComboBoxEditField, &combo)
                   .adjusted(1, 0, -1, 0);
  if (!option.currentIcon.isNull()) {
    room.setLeft(room.left() + option.iconSize.width() + kIconTextGap);
  }
  const QSize size = combo.fontMetrics().size(Qt::TextSingleLine, text);
  return {Shown(text, Place(combo, Qt::AlignLeft | Qt::AlignVCenter, size, room), room)};
}

// The title (with its check box) must stay inside the box.
std::vector<ShownText> GroupBoxTexts(const QGroupBox& box) {
  const QString title = box.title();
  if (title.isEmpty()) return {};
  QStyleOptionGroupBox option;
  option.initFrom(&box);
  option.text = title;
  option.lineWidth = 1;
  option.midLineWidth = 0;
  option.textAlignment = box.alignment();
  option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
  if (box.isCheckable()) option.subControls |= QStyle::SC_GroupBoxCheckBox;
  if (box.isFlat()) option.features |= QStyleOptionFrame::Flat;
  const QStyle* style = box.style();
  QRect drawn = style->subControlRect(QStyle::CC_GroupBox, &option,
                                      QStyle::SC_GroupBoxLabel, &box);
  if (box.isCheckable()) {
    drawn |= style->subControlRect(QStyle::CC_GroupBox, &option,
                                   QStyle::SC_GroupBoxCheckBox, &box);
  }
  return {Shown(title, drawn, box.rect())};
}

std::vector<ShownText> LineEditTexts(const QLineEdit& edit) {
  QString text = edit.displayText();
  const bool placeholder = text.isEmpty();
  if (placeholder) text = edit.placeholderText();
  if (text.isEmpty()) return {};

  QStyleOptionFrame option;
  option.initFrom(&edit);
  option.rect = edit.contentsRect();
  option.lineWidth =
      edit.hasFrame() ? edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &edit)
                      : 0;
  option.midLineWidth = 0;
  option.state |= QStyle::State_Sunken;
  if (edit.isReadOnly()) option.state |= QStyle::State_ReadOnly;
  QRect room = edit.style()
                   ->subElementRect(QStyle::SE_LineEditContents, &option, &edit)
                   .marginsRemoved(edit.textMargins());
  room.adjust(kLineEditTextMargin, 0, -kLineEditTextMargin, 0);

  const QFontMetrics metrics = edit.fontMetrics();
  const QSize size(metrics.horizontalAdvance(text),
                   qMax(metrics.height(), metrics.boundingRect(text).height()));
  ShownText shown = Shown(text, Place(edit, edit.alignment(), size, room), room);
  // Typed text scrolls; a placeholder, a read-only field and the value of a
  // spin box or date field are meant to be read whole.
  const bool spinBoxValue = qobject_cast<const QAbstractSpinBox*>(edit.parentWidget()) != nullptr;
  shown.widthScrolls = !placeholder && !edit.isReadOnly() && !spinBoxValue;
  return {shown};
}

// Height of the document's text from its top: the first line, or every
// block when it cannot scroll vertically. Both layouts of Qt's text boxes
// give the pixel extent of a block.
int DocumentHeight(const QTextDocument& document, bool wholeDocument) {
  const qreal margin = document.documentMargin();
  if (!wholeDocument) {
    const QTextLayout* layout = document.firstBlock().layout();
    const qreal line = layout != nullptr && layout->lineCount() > 0
                           ? layout->lineAt(0).height()
                           : QFontMetricsF(document.defaultFont()).lineSpacing();
    return static_cast<int>(std::ceil(margin + line));
  }
  qreal height = 2 * margin;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    height += document.documentLayout()->blockBoundingRect(block).height();
  }
  return static_cast<int>(std::ceil(height));
}

std::vector<ShownText> TextBoxTexts(const QAbstractScrollArea& box,
                                    const QTextDocument& document, bool wraps) {
  if (document.isEmpty()) return {};
  const QRect room = box.viewport()->geometry();
  const bool heightScrolls = box.verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff;
  const int width =
      static_cast<int>(std::ceil(document.documentLayout()->documentSize().width()));
  ShownText shown = Shown(document.toPlainText(),
                          QRect(room.topLeft(), QSize(width, DocumentHeight(document, !heightScrolls))),
                          room);
  shown.widthScrolls = wraps || box.horizontalScrollBarPolicy() != Qt::ScrollBarAlwaysOff;
  return {shown};
}

std::vector<ShownText> HeaderTexts(const QHeaderView& header) {
  const QAbstractItemModel* model = header.model();
  if (model == nullptr) return {};
  const QStyle* style = header.style();
  const int margin = style->pixelMetric(QStyle::PM_HeaderMargin, nullptr, &header);
  const QRect view = header.viewport()->geometry();
  const bool horizontal = header.orientation() == Qt::Horizontal;
  std::vector<ShownText> texts;
  for (int section = 0; section < header.count(); ++section) {
    if (header.isSectionHidden(section)) continue;
    const QString text = model->headerData(section, header.orientation()).toString();
    if (text.isEmpty()) continue;
    const int position = header.sectionViewportPosition(section);
    const int length = header.sectionSize(section);
    const QRect cell = horizontal ? QRect(view.x() + position, view.y(), length, view.height())
                                  : QRect(view.x(), view.y() + position, view.width(), length);
    QRect room = cell.adjusted(margin, margin, -margin, -margin);
    if (header.isSortIndicatorShown() && header.sortIndicatorSection() == section) {
      // The sort arrow takes the end of the section, as the styles draw it.
      if (horizontal) room.setRight(room.right() - cell.height() / 2 - margin);
      else room.setBottom(room.bottom() - cell.width() / 2 - margin);
    }
    const QVariant fontData = model->headerData(section, header.orientation(), Qt::FontRole);
    const QFont font = fontData.canConvert<QFont>() ? fontData.value<QFont>() : header.font();
    const QVariant alignData =
        model->headerData(section, header.orientation(), Qt::TextAlignmentRole);
    const Qt::Alignment alignment = alignData.isValid()
                                        ? Qt::Alignment::fromInt(alignData.toInt())
                                        : header.defaultAlignment();
    const QSize size = QFontMetrics(font).size(Qt::TextSingleLine, text);
    ShownText shown = Shown(text, Place(header, alignment, size, room), room);
    shown.scrollsInWidget = true;
    texts.push_back(shown);
  }
  return texts;
}

}  // namespace

std::vector<ShownText> ShownTexts(const QWidget& widget) {
  if (const auto* label = qobject_cast<const QLabel*>(&widget)) return LabelTexts(*label);
  if (const auto* button = qobject_cast<const QAbstractButton*>(&widget)) {
    return ButtonTexts(*button);
  }
  if (const auto* combo = qobject_cast<const QComboBox*>(&widget)) return ComboTexts(*combo);
  if (const auto* box = qobject_cast<const QGroupBox*>(&widget)) return GroupBoxTexts(*box);
  if (const auto* edit = qobject_cast<const QLineEdit*>(&widget)) return LineEditTexts(*edit);
  if (const auto* text = qobject_cast<const QTextEdit*>(&widget)) {
    return TextBoxTexts(*text, *text->document(), text->lineWrapMode() != QTextEdit::NoWrap);
  }
  if (const auto* plain = qobject_cast<const QPlainTextEdit*>(&widget)) {
    return TextBoxTexts(*plain, *plain->document(),
                        plain->lineWrapMode() != QPlainTextEdit::NoWrap);
  }
  if (const auto* header = qobject_cast<const QHeaderView*>(&widget)) {
    return HeaderTexts(*header);
  }
  return {};
}
