#pragma once
// The work table of a ten-year totals run, for the totals report's figures.

#include "centurydata.h"

#include "printing/printdata.h"

#include <QString>

namespace store {
class Store;
}

namespace bench {

inline constexpr int kTenYearRows = 3660;

// Fills w集計 of the work file `workDbPath` with the last 3,660 days of the
// journal in the main file `mainDbPath`, in date order, as a totals run does.
// Returns an error text, empty on success.
QString fillTenYears(const QString &mainDbPath, const QString &workDbPath);

// The same run by the program: the last 3,660 days totalled into the store's
// own work table; `lastDay` is the journal's last day. Returns an error
// text, empty on success.
QString fillStoreTenYears(store::Store &store, QDate lastDay = kCenturyLastDay);

// What the totals page shows after that run: the period in Western dates and
// the four sums of w集計. `error` is set when the table cannot be read.
printing::PrintTotals printTotalsOf(const QString &workDbPath, QString *error);

} // namespace bench
