#pragma once
// Copies of a data folder's two files, made while the program runs and
// checked before they are trusted, and the health of the files themselves.
// Each function works on connections of its own: it may run on any thread,
// beside the store that has the files open.

#include "store/dberror.h"

#include <QDate>
#include <QString>

#include <mutex>

struct sqlite3;

namespace store {

// What a copy (or a data folder) holds.
struct CopyCheck
{
    qint64 records = 0; // journal days
    QDate newestDay;    // the newest journal day; invalid when there is none
};

// Copies the two files of `dataFolder` into the existing `targetFolder`
// through SQLite's online backup, both from one state of the files (a write
// of another program waits or is not seen). `records` is the journal's record
// count in that state. Refused when either file exists in the target; a
// failed copy leaves no file there.
[[nodiscard]] DbError copyDataFiles(const QString &dataFolder, const QString &targetFolder, qint64 &records);

// Checks the two files in `folder`, opened for reading only: the engine's full
// integrity check of each (unless only the summary is asked for, as a list of
// copies does), the program's tables, the journal's record count and newest day.
enum class CheckDepth { Full, Summary };
[[nodiscard]] DbError checkCopy(const QString &folder, CopyCheck &check, CheckDepth depth = CheckDepth::Full);

// The engine's quick check of both files of a data folder, on read-only
// connections of its own. interrupt() (from any thread) ends a run early; the
// run then fails with SQLite's interrupt code (9).
class QuickCheck
{
public:
    [[nodiscard]] DbError run(const QString &dataFolder);
    void interrupt();

private:
    std::mutex m_mutex;
    sqlite3 *m_running = nullptr;
    bool m_interrupted = false;
};

} // namespace store
