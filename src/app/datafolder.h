#pragma once
// The choice of the data folder that holds both database files.

#include "common/msg.h"
#include "store/location.h"

#include <QString>

namespace app {

enum class FolderRule {
    Windows, // program folder + "\data\"
    Other,   // program folder + "/data/"
    Native,  // the rule of the platform the program runs on
};

// The data folder for a program started from `programFolder` (as the platform
// reports it). The folder is neither tested for existence nor created.
QString chooseDataFolder(const QString &programFolder, FolderRule rule = FolderRule::Native);

// The folder whose `data` folder holds the files. The program's own folder
// when a `data` folder sits beside the program (a portable copy, the build
// folder, and every user from before the program was installed system-wide);
// otherwise the user's own folder for the program, `userFolder`.
struct DataHome
{
    QString folder;
    bool besideProgram = true;
};
DataHome chooseDataHome(const QString &programFolder, const QString &userFolder);

// The home of the running program: its own folder or the user's
// application data folder (~/.local/share/zephra on Linux).
DataHome dataHome();

// At the first start in the user's folder, when neither file is there: says
// where the data will be kept, then makes the two empty files as
// `--init-data` does. Never writes over a file; a home beside the program is
// left as it is. False when the files could not be made (the reason shown).
bool makeDataOnFirstStart(const DataHome &home, common::Msg &msg);

// Where the journal of a data folder is kept: on the server of this run
// (--server) or of the folder's server.conf, else in the folder's own files.
store::Location dataLocation(const QString &dataFolder);

} // namespace app
