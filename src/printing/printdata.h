#pragma once
// The values a print button copies from its page for the report to print.

#include <QString>

#include <optional>

namespace printing {

// The journal page at the moment of the click: the date as the date box shows
// it, the four amounts (empty when the box is empty) and the journal text.
struct PrintJournal
{
    QString dateText;
    std::optional<qint64> sales;
    std::optional<qint64> purchases;
    std::optional<qint64> moneyIn;
    std::optional<qint64> moneyOut;
    QString memo;
};

// The totals page at the moment of the click: the period as the two date boxes
// show it and the four sums.
struct PrintTotals
{
    QString startText;
    QString endText;
    std::optional<qint64> sales;
    std::optional<qint64> purchases;
    std::optional<qint64> moneyIn;
    std::optional<qint64> moneyOut;
};

} // namespace printing
