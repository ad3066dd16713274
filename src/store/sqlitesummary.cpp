#include "store/sqlitesummary.h"

#include "common/formats.h"
#include "store/sqliteconnection.h"

#include <algorithm>

namespace store::sqlite {

namespace {

// The group's first day, read from its key: "yyyy-mm" or "yyyy".
QDate groupStart(const QString &key, Grouping grouping)
{
    const int year = key.left(4).toInt();
    return grouping == Grouping::Month ? QDate(year, key.mid(5, 2).toInt(), 1) : QDate(year, 1, 1);
}

} // namespace

DbError summariseJournal(Connection &db, const Period &period, Grouping grouping, QList<SummaryRow> &rows)
{
    rows.clear();
    if (!period.isValid() || period.first > period.last) {
        return {DbErrorKind::RefusedValue, QStringLiteral("no period to summarise")};
    }
    // The key is the stored date's first 7 ("yyyy-mm") or 4 ("yyyy") characters.
    // The sums cannot overflow: every amount is within ±9,999,999,999, and even
    // the program's whole date range (1868–2099, under 85,000 days) sums to
    // less than 10^15 per column, far inside 64 bits.
    Statement select(
        db,
        "SELECT substr(\"日付\", 1, ?3) AS grp, sum(\"売上額\"), sum(\"仕入額\"), sum(\"入金額\"), sum(\"出金額\"), "
        "count(DISTINCT \"日付\") FROM main.\"業務日誌\" "
        "WHERE \"日付\" >= ?1 AND \"日付\" <= ?2 "
        "AND zephra_keep_journal_row(\"日付\", \"売上額\", \"仕入額\", \"入金額\", \"出金額\", ?4) "
        "GROUP BY grp ORDER BY grp");
    select.bind(1, period.first)
        .bind(2, period.last)
        .bind(3, qint64(grouping == Grouping::Month ? 7 : 4))
        .bind(4, common::kAmountLimit);
    while (select.step()) {
        const QDate start = groupStart(select.text(0), grouping);
        const QDate end = grouping == Grouping::Month ? start.addMonths(1).addDays(-1) : start.addYears(1).addDays(-1);
        SummaryRow row;
        row.first = std::max(start, period.first);
        row.last = std::min(end, period.last);
        bool unreadable = false; // the keep function lets only whole numbers and Null through
        row.sums.sales = select.amount(1, unreadable);
        row.sums.purchases = select.amount(2, unreadable);
        row.sums.moneyIn = select.amount(3, unreadable);
        row.sums.moneyOut = select.amount(4, unreadable);
        row.days = select.integer(5);
        rows.append(row);
    }
    if (select.error()) {
        rows.clear();
    }
    return select.error();
}

DbError refusedInSummary(const RefusedAmount &refused)
{
    return {DbErrorKind::RefusedValue, refused.date.toString(QStringLiteral("yyyy/MM/dd")) + QStringLiteral(" の") +
                                           columnCaption(refused.column) + QStringLiteral("「") + refused.value +
                                           QStringLiteral("」は金額として読めないため集計できません")};
}

} // namespace store::sqlite
