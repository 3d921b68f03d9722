#pragma once

#include <QString>
#include <QStringList>

// Starts `program` with `arguments` as a new, independent process with this
// process's environment and current folder, and does not wait for it.
// Returns false when the process could not be started.
bool StartNewInstance(const QString& program, const QStringList& arguments);
