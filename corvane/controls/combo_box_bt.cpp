#include "corvane/controls/combo_box_bt.h"

#include <QAbstractItemView>

#include <algorithm>

CComboBoxBT::CComboBoxBT(QWidget* parent) : QComboBox(parent) {
  setEditable(false);
  setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  setMaxVisibleItems(16);
}

void CComboBoxBT::SetItems(const QStringList& texts) {
  const QSignalBlocker quiet(this);
  clear();
  addItems(texts);
}

void CComboBoxBT::showPopup() {
  // The list is often narrower than its longest text; the drop list is not.
  int widest = width();
  for (int i = 0; i < count(); ++i) {
    widest = std::max(widest, fontMetrics().horizontalAdvance(itemText(i)) + 24);
  }
  view()->setMinimumWidth(widest);
  QComboBox::showPopup();
}
