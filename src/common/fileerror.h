#pragma once
// Why a file could not be opened, read or written, said in Japanese with its
// path. The system's own error (errno; GetLastError on Windows) names the
// reason where Qt's error texts are English or, for a write cut short by a
// full disk, "Unknown error".

#include <QFileDevice>
#include <QString>

namespace common {

enum class FileFault {
    Other,
    DiskFull,
    QuotaFull,
    Denied,
    ReadOnlyDisk,
    Missing,
    NotAFolder, // a name on the way to the file is no folder
    IsAFolder,
    NameTooLong,
    TooLarge,
    InUse, // another program holds the file (Windows)
    DiskError,
};

struct SystemError
{
    FileFault fault = FileFault::Other;
    int code = 0; // the system's number; 0 when it gave none
};

// The system's error of the last failed call of this thread. Read it at once
// after the failure: later calls may change it.
SystemError lastSystemError();

// The reason the system's error names, as a sentence; empty when it names
// none of the faults above.
QString systemReason(const SystemError &system);

enum class FileStep { Open, Read, Write };

// 「path」に書き込めませんでした。ディスクの空きがありません。 The reason comes
// from the system's error when it names one, otherwise from Qt's error code.
QString fileFailure(FileStep step, const QString &path, QFileDevice::FileError error, const SystemError &system);

// The same for a file device that just failed; the system's error is read first.
QString fileFailure(FileStep step, const QFileDevice &file);

} // namespace common
