#pragma once
// Files put in place: one renamed over another in one step, and one kept no
// more open to others than the file it stands for.

#include <QString>

namespace common {

// Renames `from` over `to` in one step: `to` is the old file or the new one
// at every moment. False when it could not be done (`from` is left).
bool replaceFile(const QString &from, const QString &to);

// Takes from the file or folder `path` every permission that `like` lacks:
// a copy is never more open than its data.
void keepPrivate(const QString &path, const QString &like);

} // namespace common
