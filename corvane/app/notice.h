#pragma once

#include <QString>

#include <functional>

class QWidget;

// A notice of the program: a message box owned by `owner`, captioned with
// the program's title, with the warning icon or none. Modal; window thread.
enum class NoticeIcon { kNone, kWarning };
void ShowNotice(QWidget* owner, const QString& text, NoticeIcon icon);

// Where notices go instead of a message box while set: offscreen tests and
// batch runs that must not block on a modal box. Null restores the box.
using NoticeSink = std::function<void(const QString& text, NoticeIcon icon)>;
void SetNoticeSink(NoticeSink sink);
