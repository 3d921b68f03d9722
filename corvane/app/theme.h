#pragma once

#include <QColor>
#include <QPalette>

// The two colour themes chosen by BK_COLOR: 1 is dark, any other value light.
// The main window itself stays black in both; the themes colour the panels.
bool IsDarkTheme(int bkColor);

// Background of the panels and bars (the control bar's brush).
QColor ThemeBackground(int bkColor);

// Palette every panel is given: background, text and control colours that
// stay readable on ThemeBackground.
QPalette ThemePalette(int bkColor);

class QWidget;

// Gives a panel the theme's palette and lets it fill its background.
void UsePanelTheme(QWidget& panel, int bkColor);
