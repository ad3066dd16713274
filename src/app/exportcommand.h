#pragma once
// `zephra --export FILE --from DATE --to DATE [--format csv|xlsx]
// [--encoding utf8|cp932] [--totals] [--overwrite]`: the journal of a period,
// or its totals, written to a file without a window.
//
// The format follows the file's extension unless --format names it; CSV is
// UTF-8 with a byte-order mark unless --encoding cp932 asks for Shift_JIS.
// --totals fills the totals work table for the period first, as 集計 does, and
// writes its rows and sums; the table is this run's own, so a window open on
// the same data keeps its grid and sums. A sum beyond the amount range is
// refused as the window refuses it. An existing file is replaced only with
// --overwrite; the program's own data files never.

#include "app/commandresult.h"

#include <QString>
#include <QStringList>

namespace app {

// `arguments` are those after the option; `dataFolder` is the program's own.
CommandResult exportCommand(const QStringList &arguments, const QString &dataFolder);

} // namespace app
