#pragma once
// The journal of a period summed per month or per year, written out: one row
// per month (年月) or year (年) with its name as the totals page shows it in
// the file's calendar mode, the four sums, 日数 and 差引, then a row 合計.

#include "exchange/export.h"

#include "store/summary.h"

namespace exchange {

// Refuses, with the day and the column, a period that holds an amount the
// summary cannot count (see Store::summarise).
Exported exportSummary(store::Store &store, const store::Period &period, store::Grouping grouping,
                       const ExportFile &file, common::Progress &progress);

} // namespace exchange
