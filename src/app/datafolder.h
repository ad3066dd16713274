#pragma once
// The choice of the data folder that holds both database files.

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

} // namespace app
