#include "corvane/app/theme.h"

#include <QWidget>

bool IsDarkTheme(int bkColor) { return bkColor == 1; }

QColor ThemeBackground(int bkColor) {
  return IsDarkTheme(bkColor) ? QColor(88, 92, 95) : QColor(236, 233, 216);
}

QPalette ThemePalette(int bkColor) {
  const QColor background = ThemeBackground(bkColor);
  const bool dark = IsDarkTheme(bkColor);
  const QColor text = dark ? QColor(235, 235, 235) : QColor(20, 20, 20);
  const QColor base = dark ? QColor(60, 63, 65) : QColor(255, 255, 255);
  const QColor button = dark ? QColor(104, 108, 112) : QColor(245, 243, 232);
  const QColor highlight = dark ? QColor(70, 130, 200) : QColor(48, 105, 180);

  QPalette palette(background);
  for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    palette.setColor(group, QPalette::Window, background);
    palette.setColor(group, QPalette::WindowText, text);
    palette.setColor(group, QPalette::Base, base);
    palette.setColor(group, QPalette::AlternateBase, background);
    palette.setColor(group, QPalette::Text, text);
    palette.setColor(group, QPalette::Button, button);
    palette.setColor(group, QPalette::ButtonText, text);
    palette.setColor(group, QPalette::Highlight, highlight);
    palette.setColor(group, QPalette::HighlightedText, Qt::white);
    palette.setColor(group, QPalette::ToolTipBase, base);
    palette.setColor(group, QPalette::ToolTipText, text);
    palette.setColor(group, QPalette::PlaceholderText, text.darker(dark ? 140 : 60));
  }
  const QColor disabled = dark ? QColor(140, 140, 140) : QColor(140, 140, 130);
  palette.setColor(QPalette::Disabled, QPalette::WindowText, disabled);
  palette.setColor(QPalette::Disabled, QPalette::Text, disabled);
  palette.setColor(QPalette::Disabled, QPalette::ButtonText, disabled);
  return palette;
}

void UsePanelTheme(QWidget& panel, int bkColor) {
  panel.setPalette(ThemePalette(bkColor));
  panel.setAutoFillBackground(true);
}
