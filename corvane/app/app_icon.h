#pragma once

#include <QIcon>
#include <QPixmap>

// The program's icon, drawn in code: a dark lens on a road-green tile with a
// red recording dot. Needs a QGuiApplication.
QPixmap CorvaneIconPixmap(int size);
QIcon CorvaneIcon();
