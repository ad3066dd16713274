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

// A shared library by its platform's name, for loading on demand.
struct SharedLibraryName
{
    QString name;
    int version = -1; // -1: no version in the file name
};

// PostgreSQL's client library (libpq) as this platform names it.
SharedLibraryName postgresClientLibrary();

} // namespace common
