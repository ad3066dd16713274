#pragma once
// Putting a copy back: the copy is checked first, the current data is kept
// aside as a copy of its own, then the copy's data replaces the current data
// in one step.

#include "backup/backups.h"

#include "common/progress.h"
#include "store/store.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace backup {

struct RestoreOutcome
{
    std::optional<QString> failure; // why nothing was changed, in Japanese
    store::CopyCheck restored;      // what the data holds now
    QString asideCopy;              // the copy of the data as it was before
};

// Why `copyFolder` is not put back into the data at `data` at all: it is the
// data folder itself, or no checked copy (its name is no copy's name). None
// when it may be checked and restored.
std::optional<QString> refuseAsCopy(const QString &copyFolder, const store::Location &data);

// The refusal of a restore that met another program's write.
QString busyRefusal();

// Whether files that the store could not open are damaged (or missing) and
// may be replaced whole; a file held by another program never is.
bool canReplaceUnopened(const store::OpenFailure &failure);

// Restores the copy in `copyFolder` (fully checked first) into the data at
// `data`, which `store` has open; `backupFolder` receives the data as it was,
// as a copy of its own. Data in files that no other program has open is not
// written into: the copy's data is made into new files beside it, which then
// take the place of the data's files by renames, the old files moved whole
// into the copy (the store closed for it and opened again; a crash meanwhile
// is finished at the next opening). Otherwise the data is checked, copied
// aside and replaced in one transaction; data found damaged is then kept
// aside byte for byte and replaced (as replaceDamagedFiles). Another
// program's write is waited for a short while, then the restore is refused
// and nothing changes.
RestoreOutcome restoreCopy(store::Store &store, const store::Location &data, const QString &backupFolder,
                           const QString &copyFolder, const QDateTime &now, common::Progress &progress);

// For data files that are damaged (their data cannot be read to be copied
// aside or replaced), where the engine keeps files: with the files closed,
// they are kept aside byte for byte in backup/damaged-<date>-<time>/, never
// deleted, and the checked copy's files take their place, each under a
// temporary name first and then renamed over it. Refused for an engine that
// keeps no files.
RestoreOutcome replaceDamagedFiles(const store::Location &data, const QString &backupFolder, const QString &copyFolder,
                                   const QDateTime &now);

} // namespace backup
