#include "app/datafolder.h"

namespace app {

QString chooseDataFolder(const QString &programFolder, FolderRule rule)
{
    if (rule == FolderRule::Native) {
#ifdef Q_OS_WIN
        rule = FolderRule::Windows;
#else
        rule = FolderRule::Other;
#endif
    }
    if (rule == FolderRule::Windows) {
        // Kept as the platform reports it: a root folder's trailing backslash
        // gives a doubled one, which Windows accepts.
        return programFolder + QStringLiteral("\\data\\");
    }
    return programFolder + QStringLiteral("/data/");
}

} // namespace app
