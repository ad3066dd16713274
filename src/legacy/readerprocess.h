#pragma once
// Reading the earlier version's files in a child process. The reading library
// is not hardened against damaged files: a crash or a hang there must end only
// the child, and the program says the file could not be read.

#include "legacy/legacydata.h"
#include "legacy/legacyfiles.h"

#include "common/progress.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace legacy {

// The child to start: `program` with `arguments`, then the main file's path
// and the work file's path (an empty argument for a file that is not there).
struct ReaderCommand
{
    QString program;
    QStringList arguments;
};

// The program's own executable in its reading role.
ReaderCommand ownReader();
// The arguments that put the program into that role.
inline const QString kImportLegacyOption = QStringLiteral("--import-legacy");
inline const QString kReaderOption = QStringLiteral("--read-jet");

struct ReadLimits
{
    int silenceMs = 60'000;    // no frame for this long: the child hangs
    int totalMs = 30 * 60'000; // the longest a reading may take
};

// Reads the files through the child; nothing on success. The reason, in
// Japanese, when the child reports a failure, crashes, hangs, sends more than
// the files can hold, or sends a damaged stream: then `data` is to be ignored.
std::optional<QString> readThroughChild(const LegacyFiles &files, const ReaderCommand &command, LegacyData &data,
                                        common::Progress &progress, const ReadLimits &limits = {});

// The child's side: reads both files (an empty path skips one) and writes the
// frames to standard output. The exit status: 0 when everything was written.
int runReaderChild(const QString &mainPath, const QString &workPath);

} // namespace legacy
