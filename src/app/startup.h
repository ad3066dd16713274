#pragma once
// Opening the two database files at start-up, and what the user is told when
// one of them cannot be opened.

#include "store/dberror.h"
#include "store/modvelmoraa.h"

#include <QString>

#include <optional>

namespace app {

inline const QString kCaptionPrefix = QStringLiteral("業務日誌 ZEPHRA Ver ");
inline const QString kVersionText = QStringLiteral("1.40");

struct StartupFailure
{
    QString path;
    store::DbError error;
};

// Sets the two paths from `dataFolder` and opens MainDb, then WorkDb. Stops at
// the first file that cannot be opened; nothing is created or changed.
std::optional<StartupFailure> openDatabases(store::ModVelmoraA &state, const QString &dataFolder);

// The start-up failure message: the file, the reason, and how empty files are made.
QString startupFailureTitle();
QString startupFailureText(const StartupFailure &failure, const QString &programPath);

} // namespace app
