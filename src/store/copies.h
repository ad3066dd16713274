#pragma once
// Copies of the data, in the program's own form whatever the engine (two
// files in a folder), checked before they are trusted. Copies are made by
// the engine's maintenance (store/maintenance.h). Each function works on
// connections of its own: it may run on any thread.

#include "store/dberror.h"

#include <QDate>
#include <QString>

namespace store {

// What a copy (or a data folder) holds.
struct CopyCheck
{
    qint64 records = 0; // journal days
    QDate newestDay;    // the newest journal day; invalid when there is none
};

// Checks the two files in `folder`, opened for reading only: the engine's full
// integrity check of each (unless only the summary is asked for, as a list of
// copies does), the program's tables, the journal's record count and newest day.
enum class CheckDepth { Full, Summary };
[[nodiscard]] DbError checkCopy(const QString &folder, CopyCheck &check, CheckDepth depth = CheckDepth::Full);

} // namespace store
