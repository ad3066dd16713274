#pragma once
// What differs by platform about files. Making a folder's entries durable:
// after a file is created or renamed in a folder, the folder itself must
// reach the disk too, or a power cut can lose the name while keeping the
// data. Telling whether two names reach one file. The names of the shared
// libraries loaded on demand.

#include <QString>
#include <QtGlobal>

#include <optional>

namespace common {

// Flushes the folder's entries to the disk; true when done (or when the
// platform keeps them durable by itself).
bool syncFolder(const QString &path);

// What tells one file from another, whatever name reaches it (a symbolic
// link, a hard link): the device or volume, and the file's number on it.
struct FileIdentity
{
    quint64 device = 0;
    quint64 file = 0;
    friend bool operator==(const FileIdentity &, const FileIdentity &) = default;
};

// The identity of the file `path` names, symbolic links followed; none when
// there is no such file or it cannot be looked at.
std::optional<FileIdentity> fileIdentity(const QString &path);

// The path with its links resolved when it exists, otherwise made absolute
// and clean: two names of one folder compare equal.
QString canonicalPath(const QString &path);

// Sends a growing file's data to the disk while it is written, so that a long
// write (a copy of the journal) never leaves the disk a gigabyte to write at
// its end, which every sync of a register would then wait behind. Durability
// still comes from the writer's own sync; this only spreads the writing.
// It holds a descriptor of its own: on POSIX systems closing any descriptor of
// a file drops the process's locks on it, so it must live until the writer
// (SQLite) has closed the file.
class WriteBehind
{
public:
    // Opens the existing file `path`; when it cannot, writeOut() does nothing.
    explicit WriteBehind(const QString &path);
    ~WriteBehind();
    WriteBehind(const WriteBehind &) = delete;
    WriteBehind &operator=(const WriteBehind &) = delete;

    bool isOpen() const;
    // Waits until what the previous call started is written, then starts
    // writing what has been written since: at most two calls' worth of the
    // file's data is ever left for its final sync. False when not open or
    // refused.
    bool writeOut();

private:
#ifdef Q_OS_WIN
    void *m_handle = nullptr;
#else
    int m_fd = -1;
#endif
};

// A shared library by its platform's name, for loading on demand.
struct SharedLibraryName
{
    QString name;
    int version = -1; // -1: no version in the file name
};

// PostgreSQL's client library (libpq) as this platform names it.
SharedLibraryName postgresClientLibrary();

// The running program's file, asked of the system (before any application
// object exists); empty when it cannot tell.
QString runningProgramPath();

} // namespace common
