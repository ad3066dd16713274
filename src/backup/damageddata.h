#pragma once
// Data files that a check has found damaged are never written into: an
// import, a restore or a conversion into them asks this first and refuses with
// the reason and the way back.

#include "backup/backups.h"

#include "store/location.h"

#include <QString>

#include <optional>

namespace backup {

struct DamagedData
{
    QString reason;                   // what the check found, in Japanese
    std::optional<GoodCopy> goodCopy; // the newest copy that passes its check
    QString backupFolder;

    // The refusal: the reason, the newest good copy and the command that puts it back.
    QString refusal() const;
};

// The engine's quick check of the data at `data`; none when it is healthy,
// missing, or only held by another program (the write then says so). The
// good copy is looked for in `backupFolder`.
std::optional<DamagedData> findDamage(const store::Location &data, const QString &backupFolder);

} // namespace backup
