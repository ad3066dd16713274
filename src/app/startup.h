#pragma once
// What the user is told when a database file cannot be opened at start-up.

#include "store/store.h"

#include <QString>

namespace app {

inline const QString kCaptionPrefix = QStringLiteral("業務日誌 ZEPHRA Ver ");
inline const QString kVersionText = QStringLiteral("1.40");

// The start-up failure message: the file, the reason, and how empty files are made.
QString startupFailureTitle();
QString startupFailureText(const store::OpenFailure &failure, const QString &programPath);

} // namespace app
