#pragma once
// The chart of a period read from the store: the journal day by day, or its
// summary per month or year.

#include "charts/chartseries.h"

#include "store/dberror.h"

namespace store {
class Store;
}

namespace charts {

// Reads the points of `period` into `series`. An amount that is no whole
// number stops the chart with its day and column, as it stops a totals run:
// counted as 0 it would pass for a figure of the journal.
[[nodiscard]] store::DbError readSeries(store::Store &store, const store::Period &period, PointKind kind,
                                        const QString &calendarMode, ChartSeries &series);

} // namespace charts
