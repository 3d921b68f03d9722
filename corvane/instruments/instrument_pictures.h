#pragma once

#include <QRect>
#include <QString>

class QPainter;

// The instrument panels' tab and button pictures, known by their resource
// numbers and drawn by the program itself with the word of their language.
// Language codes are those of `uiLanguage` (1, 2, 3, 10).

// Speed tab (speed view) and acceleration tab: the Chinese pictures for
// languages 1 and 2, the English ones for every other language.
int SpeedTabPicture(int uiLanguage, bool active);
int AccelTabPicture(int uiLanguage, bool active);

// The speedometer panel's map button (Hide Map while the map is shown, Show
// Map while it is hidden) and About button.
int MapButtonPicture(int uiLanguage, bool mapShown);
int AboutPicture(int uiLanguage);

// The word a picture shows; empty for an unknown number.
QString PictureWord(int pictureId);

// Draws picture `pictureId` into `rect`: an active tab light with dark
// letters, an inactive tab dark with grey letters, a button raised (sunken
// while `pressed`). The word shrinks until it fits.
void PaintInstrumentPicture(QPainter& painter, const QRect& rect, int pictureId, bool pressed);
