// The exchange of the data folder's two files for a restore's new ones.

#include "store/sqliteswap.h"

#include "common/fileplacing.h"
#include "common/filesync.h"
#include "store/sqlitefiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <mutex>

namespace store {

namespace {

// New files left by a restore killed before its note are removed once this
// old: a younger folder may be a restore of another program still making them.
constexpr qint64 kLeftoverSeconds = 3600;

QString notePath(const QString &dataFolder)
{
    return QDir(preparedFolder(dataFolder)).filePath(kSwapNoteName);
}

bool exists(const QString &path)
{
    return QFileInfo::exists(path) || QFileInfo(path).isSymLink();
}

// Moves `from` to `to`, where nothing may stand.
bool moveTo(const QString &from, const QString &to)
{
    return !exists(to) && common::replaceFile(from, to);
}

FileReplacement failed(const QString &file, bool keptAside, const QString &what)
{
    return {DbError(DbErrorKind::CopyFailed, what.arg(file)), file, keptAside};
}

// The renames from wherever a swap stands, each file's old one aside before
// its new one takes the name: a step done already is passed over.
FileReplacement moveFiles(const QString &dataFolder, const QString &asideFolder, SwapStep stopAfter)
{
    const QDir data(dataFolder);
    QDir prepared(preparedFolder(dataFolder));
    const QDir aside(asideFolder);
    if (!QDir().mkpath(asideFolder)) {
        return failed(asideFolder, false, QStringLiteral("cannot make %1"));
    }
    struct FileSteps
    {
        QString name;
        SwapStep aside;
        SwapStep in;
    };
    for (const FileSteps &file : {FileSteps{kMainFileName, SwapStep::MainAside, SwapStep::MainIn},
                                  FileSteps{kWorkFileName, SwapStep::WorkAside, SwapStep::WorkIn}}) {
        const QString current = data.filePath(file.name);
        const QString incoming = prepared.filePath(file.name);
        if (!exists(incoming)) {
            continue; // in place already
        }
        if (exists(current)) {
            if (!moveTo(current, aside.filePath(file.name))) {
                return failed(current, false, QStringLiteral("cannot move %1 aside"));
            }
            // The old file's new name is on the disk before its place is taken.
            common::syncFolder(asideFolder);
            if (stopAfter == file.aside) {
                return {};
            }
        }
        if (!moveTo(incoming, current)) {
            // Both old files are aside only once the journal's is in place.
            return failed(current, file.name == kWorkFileName, QStringLiteral("cannot put the restored %1 in place"));
        }
        if (stopAfter == file.in) {
            return {};
        }
    }
    common::syncFolder(dataFolder);
    QFile::remove(prepared.filePath(kSwapNoteName));
    prepared.removeRecursively();
    common::syncFolder(dataFolder);
    return {};
}

} // namespace

QString preparedFolder(const QString &dataFolder)
{
    return QDir(dataFolder).filePath(kPreparedFolderName);
}

std::shared_mutex &dataFilesInUse()
{
    static std::shared_mutex inUse;
    return inUse;
}

FileReplacement swapInPrepared(const QString &dataFolder, const QString &asideFolder, SwapStep stopAfter)
{
    const std::unique_lock lock(dataFilesInUse());
    const QDir prepared(preparedFolder(dataFolder));
    for (const QString &name : {kMainFileName, kWorkFileName}) {
        if (!exists(prepared.filePath(name))) {
            return failed(prepared.filePath(name), false, QStringLiteral("no restored file %1"));
        }
        if (exists(QDir(asideFolder).filePath(name))) {
            return failed(QDir(asideFolder).filePath(name), false, QStringLiteral("%1 exists"));
        }
        if (exists(QDir(dataFolder).filePath(name + QStringLiteral("-journal")))) {
            return failed(QDir(dataFolder).filePath(name), false, QStringLiteral("a write of %1 is unfinished"));
        }
    }
    // The prepared files are on the disk (SQLite syncs its commits); their
    // folder's entries go first, then the note that makes the swap certain.
    common::syncFolder(prepared.path());
    QSaveFile note(notePath(dataFolder));
    if (!note.open(QIODevice::WriteOnly) || note.write(QFileInfo(asideFolder).absoluteFilePath().toUtf8()) < 0 ||
        !note.commit()) {
        return failed(note.fileName(), false, QStringLiteral("cannot write %1"));
    }
    common::syncFolder(prepared.path());
    if (stopAfter == SwapStep::Noted) {
        return {};
    }
    return moveFiles(dataFolder, asideFolder, stopAfter);
}

bool finishSwap(const QString &dataFolder)
{
    const QString prepared = preparedFolder(dataFolder);
    if (!QFileInfo(prepared).isDir()) {
        return true;
    }
    const std::unique_lock lock(dataFilesInUse());
    QFile note(notePath(dataFolder));
    if (!note.exists()) {
        if (QFileInfo(prepared).lastModified().secsTo(QDateTime::currentDateTime()) > kLeftoverSeconds) {
            QDir(prepared).removeRecursively();
        }
        return true;
    }
    if (!note.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QString aside = QString::fromUtf8(note.readAll());
    note.close();
    return !aside.isEmpty() && !moveFiles(dataFolder, aside, SwapStep::Done).error;
}

} // namespace store
