#pragma once
// `zephra --backup [DIR]` and `zephra --restore COPY`: a checked copy made now,
// and a copy put back, without a window.

#include "app/commandresult.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace app {

// `arguments` are those after the option; `dataFolder` is the program's own.
CommandResult backupCommand(const QStringList &arguments, const QString &dataFolder, const QDateTime &now);
CommandResult restoreCommand(const QStringList &arguments, const QString &dataFolder, const QDateTime &now);

} // namespace app
