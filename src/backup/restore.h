#pragma once
// Putting a copy back: the copy is checked first, the current data is copied
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

// Restores the copy in `copyFolder` into the data folder whose files `store`
// has open; `backupFolder` receives the copy of the current data.
RestoreOutcome restoreCopy(store::Store &store, const QString &dataFolder, const QString &backupFolder,
                           const QString &copyFolder, const QDateTime &now, common::Progress &progress);

// For data files that are damaged (their data cannot be read to be copied
// aside or replaced): with the files closed, they are kept aside byte for byte
// in backup/damaged-<date>-<time>/, never deleted, and the checked copy's files
// take their place, each under a temporary name first and then renamed over it.
RestoreOutcome replaceDamagedFiles(const QString &dataFolder, const QString &backupFolder, const QString &copyFolder,
                                   const QDateTime &now);

} // namespace backup
