#include "app/datafolder.h"

#include "app/initdata.h"
#include "app/serverchoice.h"
#include "app/startup.h"
#include "store/engines.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

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

DataHome chooseDataHome(const QString &programFolder, const QString &userFolder)
{
    // Without a user folder (no home directory) the program's own folder is all there is.
    if (userFolder.isEmpty() || QFileInfo(QDir(programFolder).filePath(QStringLiteral("data"))).isDir()) {
        return {programFolder, true};
    }
    return {userFolder, false};
}

DataHome dataHome()
{
    return chooseDataHome(QCoreApplication::applicationDirPath(),
                          QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

bool makeDataOnFirstStart(const DataHome &home, common::Msg &msg)
{
    if (home.besideProgram) {
        return true;
    }
    const QDir data(chooseDataFolder(home.folder));
    // A server's tables are made by --init-server, never at a start.
    if (dataLocation(data.path()).kind() == store::Location::Kind::Server) {
        return true;
    }
    // One file alone is not a first start: the start-up failure says how to get its partner back.
    if (!store::dataParts(dataLocation(data.path())).none()) {
        return true;
    }
    msg.show(common::Prompt::DataFolderMade, QDir::toNativeSeparators(data.absolutePath()));
    const InitDataResult made = initData(data.path());
    if (made.exitStatus != 0) {
        msg.showFailure(startupFailureTitle(), made.message.trimmed());
        return false;
    }
    return true;
}

store::Location dataLocation(const QString &dataFolder)
{
    // A refused choice stops the program at its start; its address never holds a password either way.
    if (const ServerChoice server = chooseServer(dataFolder); !server.address.isEmpty()) {
        return store::Location::onServer(server.address);
    }
    return store::Location::inFolder(dataFolder);
}

} // namespace app
