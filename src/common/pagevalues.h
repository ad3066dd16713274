#pragma once
// What a page shows at the moment its print button is clicked: the values the
// report prints, as the page's boxes hold them.

#include <QDate>
#include <QString>

#include <optional>

namespace common {

// The journal page: the date as the date box shows it, the four amounts
// (empty when the box is empty) and the journal text.
struct JournalValues
{
    QString dateText;
    std::optional<qint64> sales;
    std::optional<qint64> purchases;
    std::optional<qint64> moneyIn;
    std::optional<qint64> moneyOut;
    QString memo;
    std::optional<QDate> date{}; // the day of the date box, for a file's name
};

// The totals page: the period as the two date boxes show it and the four sums.
struct TotalsValues
{
    QString startText;
    QString endText;
    std::optional<qint64> sales;
    std::optional<qint64> purchases;
    std::optional<qint64> moneyIn;
    std::optional<qint64> moneyOut;
    std::optional<QDate> start{}; // the period of the date boxes, for a file's name
    std::optional<QDate> end{};
};

} // namespace common
