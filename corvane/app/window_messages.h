#pragma once

#include <QEvent>

// The program's private window messages, posted as Qt custom events whose
// types are the message numbers (all within QEvent::User..QEvent::MaxUser).

// Posted to the main window by a video window when it becomes selected.
inline constexpr QEvent::Type kCaptionRedrawEvent = static_cast<QEvent::Type>(0x3406);

// Posted to the file list by the search panel when its disk list asks for
// the disks again.
inline constexpr QEvent::Type kEnumVideodiscsEvent = static_cast<QEvent::Type>(0x4401);
