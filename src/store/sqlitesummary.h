#pragma once
// Inside the store only: the journal of a period summed per month or year in
// one grouped query.

#include "store/dberror.h"
#include "store/period.h"
#include "store/summary.h"

#include <QList>

namespace store::sqlite {

class Connection;

// On the journal's connection, where zephra_keep_journal_row is defined: it
// leaves out rows whose date is no stored date (as the totals run does) and
// fails the query on an amount it refuses, which the caller then reads from
// its tally. `rows` is empty after any failure.
[[nodiscard]] DbError summariseJournal(Connection &db, const Period &period, Grouping grouping,
                                       QList<SummaryRow> &rows);

// The failure of a summary stopped by a refused amount, naming the day and the column.
DbError refusedInSummary(const RefusedAmount &refused);

} // namespace store::sqlite
