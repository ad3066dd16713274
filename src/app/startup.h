#pragma once
// What the user is told when the journal's data cannot be opened: the files
// of the data folder, or the database on a server.

#include "store/location.h"
#include "store/store.h"

#include <QString>

namespace app {

inline const QString kCaptionPrefix = QStringLiteral("業務日誌 ZEPHRA Ver ");
inline const QString kVersionText = QStringLiteral("1.40");

// The start-up failure message: the file or the server, the reason, and what
// to do (how empty files or tables are made, where a password goes).
QString startupFailureTitle();
QString startupFailureText(const store::OpenFailure &failure, const store::Location &location,
                           const QString &programPath);

// The same for the command line, on one line: what could not be opened, and why.
QString openFailureLine(const store::OpenFailure &failure, const store::Location &location);

} // namespace app
