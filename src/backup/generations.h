#pragma once
// Which of the program's own copies are kept as time goes on: every copy of
// the last days, one a week for the last weeks, one a month for the last
// months. Copies made before an erase or a restore, and those asked for by
// hand, are never thinned out.

#include "backup/copyname.h"

#include <QDate>
#include <QList>

namespace backup {

struct Generations
{
    int days = 7;
    int weeks = 5;
    int months = 12;

    friend bool operator==(const Generations &, const Generations &) = default;
};

// The copies to remove of `copies` on `today`: those the program made by
// itself that no rule keeps. The newest copy (the newest good one, since only
// checked copies carry a copy's name) is always kept.
QList<CopyName> copiesToThin(const QList<CopyName> &copies, QDate today, const Generations &generations);

} // namespace backup
