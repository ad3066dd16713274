#pragma once
// `zephra --move-to-server ADDRESS`: the journal, settings and hints of the
// data folder's own files brought onto a database server, for a shop that
// begins to share its journal between desks.

#include "app/commandresult.h"

#include <QString>
#include <QStringList>

namespace app {

// `arguments` are those after the option (the server's address);
// `dataFolder` is the program's own, whose files are read and never changed.
// The server's database must hold no journal and no settings (tables made by
// --init-server and left empty are fine). Everything is written in one
// transaction on the server, then every day and the settings are read back
// from the server and compared with the files.
CommandResult moveToServerCommand(const QStringList &arguments, const QString &dataFolder);

} // namespace app
