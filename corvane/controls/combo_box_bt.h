#pragma once

#include <QComboBox>

// The program's drop-down list: never editable, its drop list as wide as the
// longest item so that no choice is cut, and the panel theme's colours.
class CComboBoxBT : public QComboBox {
 public:
  explicit CComboBoxBT(QWidget* parent);

  // Replaces every item; the selection is left to the caller.
  void SetItems(const QStringList& texts);

 protected:
  void showPopup() override;
};
