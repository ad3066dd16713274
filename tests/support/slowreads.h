#pragma once
// Reads of database files opened read-only (the program's checks and copies
// read so) made slow on purpose, so that a check is still reading when a
// test registers a day. Installed as the process's default SQLite file
// system; the program's own read-write connections are not slowed.

#include <QString>

namespace testsupport {

class SlowReads
{
public:
    // Each read of a read-only database file waits `microseconds`.
    explicit SlowReads(int microseconds);
    // Reads are at full speed again; the file system stays installed.
    ~SlowReads();
    SlowReads(const SlowReads &) = delete;
    SlowReads &operator=(const SlowReads &) = delete;

    void setDelay(int microseconds);
    // Pages read, and the times the file at `path` was opened read-only, since this was made.
    long long reads() const;
    int opened(const QString &path) const;
};

} // namespace testsupport
