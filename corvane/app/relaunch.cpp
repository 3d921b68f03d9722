#include "corvane/app/relaunch.h"

#include <QDir>
#include <QProcess>

bool StartNewInstance(const QString& program, const QStringList& arguments) {
  return QProcess::startDetached(program, arguments, QDir::currentPath());
}
