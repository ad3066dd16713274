#pragma once
// The journal of a period summed per calendar month or per calendar year.

#include "store/records.h"

#include <QDate>
#include <QList>

namespace store {

enum class Grouping { Month, Year };

// One month or one year of a period: the four sums over its records and how
// many days have a record. `first` and `last` are the group's days that lie
// within the period (a period starting on the 10th gives a first month from
// the 10th).
struct SummaryRow
{
    QDate first;
    QDate last;
    Sums sums; // none in a column where no record of the group has a value
    qint64 days = 0;

    // 入金 − 出金; none when the group has neither.
    Amount balance() const
    {
        if (!sums.moneyIn && !sums.moneyOut) {
            return std::nullopt;
        }
        return sums.moneyIn.value_or(0) - sums.moneyOut.value_or(0);
    }
    friend bool operator==(const SummaryRow &, const SummaryRow &) = default;
};

// The sums and days of all the rows: the period's, when the rows are a summary of it.
inline SummaryRow totalOf(const QList<SummaryRow> &rows)
{
    SummaryRow total;
    for (const SummaryRow &row : rows) {
        if (!total.first.isValid()) {
            total.first = row.first;
        }
        total.last = row.last;
        for (const AmountColumn column : kAmountColumns) {
            if (row.sums[column]) {
                total.sums[column] = total.sums[column].value_or(0) + *row.sums[column];
            }
        }
        total.days += row.days;
    }
    return total;
}

} // namespace store
