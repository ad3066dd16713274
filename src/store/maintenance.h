#pragma once
// The care of the data at a location: copies made while the program runs, the
// quick check of the data, and (for engines that keep files) damaged files set
// aside and replaced. Copies are the program's own form whatever the engine
// (the pair of files store/copies.h checks and Store::restoreFrom reads), so a
// copy of one engine's data restores onto another's.
//
// A maintenance works on connections of its own: it may run on any thread,
// beside the store that has the data open.

#include "store/dberror.h"
#include "store/location.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <memory>

namespace store {

// How files set aside and replaced ended: where a failure met, and whether
// every file was already kept aside then.
struct FileReplacement
{
    DbError error;
    QString file;           // the file the failure met
    bool keptAside = false; // every file is in the aside folder
};

// What only an engine that keeps the data in files of a folder can do.
class FileCare
{
public:
    virtual ~FileCare() = default;

    // The data's files with the companions the engine keeps beside them
    // (each a path; a companion may not exist). Nothing else may be written
    // over them.
    virtual QStringList dataFiles() const = 0;

    // With the data closed by every program: copies every file of the data
    // that exists, byte for byte, into `asideFolder` (existing, empty), then
    // puts the copy's files in their place, each written beside its
    // predecessor and renamed over it, so that each file is whole at every
    // moment.
    [[nodiscard]] virtual FileReplacement setAsideAndReplace(const QString &copyFolder, const QString &asideFolder) = 0;

    // A restore by exchanging files. First, with nothing of the data changed,
    // new files are made beside the data's holding the checked copy in
    // `copyFolder` as Store::restoreFrom leaves it, each version above those
    // the data holds (`dataUnreadable` when these could not be read). Then,
    // with the data closed by every program, they take the place of the
    // data's files, which move into `asideFolder`; a crash meanwhile leaves
    // the old files or the new ones, finished at the next opening
    // (store/sqliteswap.h). dropPrepared() removes new files not swapped in.
    [[nodiscard]] virtual DbError prepareRestored(const QString &copyFolder, bool &dataUnreadable) = 0;
    [[nodiscard]] virtual FileReplacement swapInRestored(const QString &asideFolder) = 0;
    virtual void dropPrepared() = 0;
};

class Maintenance
{
public:
    virtual ~Maintenance() = default;

    // Whether the data stands at the location (all of it).
    virtual bool hasData() const = 0;

    // Writes a copy of the data into the existing `targetFolder`, from one
    // state of the data (another program's write waits or is not seen), as
    // private as the data. `records` is the journal's record count in that
    // state. Refused when the target holds a copy's file; a failed copy
    // leaves none.
    [[nodiscard]] virtual DbError copyTo(const QString &targetFolder, qint64 &records) = 0;

    // The engine's quick check of the data. interrupt(), from any thread,
    // ends a run early: it then fails as Interrupted.
    [[nodiscard]] virtual DbError quickCheck() = 0;
    virtual void interrupt() = 0;

    // The file engine's own care; none for an engine that keeps no files.
    virtual FileCare *files() { return nullptr; }

    // For data that several PCs share: whether the day's automatic copy of
    // `day` has been made by some program already, and noting that it was
    // (so that the first program started that day makes it, not every one).
    // Data of one PC keeps no such note: its copies are in its own folder.
    virtual bool dailyCopyMade(QDate day)
    {
        Q_UNUSED(day);
        return false;
    }
    virtual void noteDailyCopy(QDate day) { Q_UNUSED(day); }

    // How many other programs have the data open, where the engine can tell
    // (a server knows its connections); 0 where it cannot or none has.
    virtual int otherPrograms() { return 0; }
};

// The maintenance of the engine that keeps the data at `location`.
std::unique_ptr<Maintenance> makeMaintenance(const Location &location);

} // namespace store
