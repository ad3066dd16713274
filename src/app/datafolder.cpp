#include "app/datafolder.h"

#include <QFileInfo>

namespace app {

bool RealFileProbe::isOrdinaryFile(const QString &path) const
{
    const QFileInfo info(path);
    return info.exists() && info.isFile() && !info.isHidden() && !info.isSymLink();
}

QString chooseDataFolder(const FileProbe &probe, const QString &programFolder, FolderRule rule)
{
    if (rule == FolderRule::Native) {
#ifdef Q_OS_WIN
        rule = FolderRule::Windows;
#else
        rule = FolderRule::Other;
#endif
    }
    if (rule == FolderRule::Windows) {
        if (probe.isOrdinaryFile(kDeveloperMarkerFile)) {
            return kDeveloperDataFolder;
        }
        // Kept as the platform reports it: a root folder's trailing backslash
        // gives a doubled one, which Windows accepts.
        return programFolder + QStringLiteral("\\data\\");
    }
    return programFolder + QStringLiteral("/data/");
}

} // namespace app
