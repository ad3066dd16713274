#pragma once
// Making a folder's entries durable: after a file is created or renamed in a
// folder, the folder itself must reach the disk too, or a power cut can lose
// the name while keeping the data. The one place where this differs by
// platform.

#include <QString>

namespace common {

// Flushes the folder's entries to the disk; true when done (or when the
// platform keeps them durable by itself).
bool syncFolder(const QString &path);

} // namespace common
