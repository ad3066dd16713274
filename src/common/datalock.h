#pragma once
// The mark that a program has a data folder open: a shared lock on a small
// file in the folder, held for as long as the data is open. Every program on
// the folder holds one, so a program starting learns whether another already
// has the data open by trying, without waiting, to lock the file for itself
// alone. The lock only tells; it never keeps a program out. The lock itself
// differs by platform and lives beside the folder syncing (filesync.cpp).

#include <QString>

#include <cstdint>

namespace common {

// The lock's file in the data folder; made when missing, never holding data.
inline const QString kDataLockFileName = QStringLiteral("zephra.lock");

class DataLock
{
public:
    enum class Held {
        Alone,     // no other program had the folder open
        Elsewhere, // another program has it open too
        NotHeld,   // the lock file could not be made or locked (a folder that is not there, read-only)
    };

    DataLock() = default;
    ~DataLock();
    DataLock(const DataLock &) = delete;
    DataLock &operator=(const DataLock &) = delete;

    // Takes the shared lock on the folder's lock file, looking first whether
    // another program holds one. A folder that is not there is never made.
    Held hold(const QString &folder);
    void release();
    bool isHeld() const;

    // Whether a program other than this one has the folder open now: another
    // holder than this program's own (a second window counts as another). A
    // folder that this program holds no lock on is looked at afresh.
    static bool othersHold(const QString &folder);

private:
    // The platform's part: opens or makes the file, looks, then holds it shared.
    Held holdFile(const QString &lockFile);
    // Whether this holder holds the folder alone: its lock made exclusive for
    // a moment without waiting, then shared again.
    bool holdsAlone();
    QString m_folder; // the canonical folder held; empty when none
#ifdef Q_OS_WIN
    void *m_handle = nullptr;
#else
    int m_fd = -1;
#endif
};

} // namespace common
