#pragma once
// Fills the work table w集計 of a data folder for the report tests, as
// another program would.

#include "support/sqlfile.h"

#include <QDate>
#include <QList>

#include <optional>

namespace printingtest {

struct WorkRow
{
    QDate date;
    std::optional<qint64> sales, purchases, moneyIn, moneyOut;
};

inline bool appendWorkRows(const QString &workPath, const QList<WorkRow> &rows)
{
    const auto value = [](std::optional<qint64> a) { return a ? QString::number(*a) : QStringLiteral("NULL"); };
    QString sql = QStringLiteral("begin;");
    for (const WorkRow &row : rows) {
        sql += QStringLiteral("insert into w集計 (日付, 売上額, 仕入額, 入金額, 出金額) values ('%1', %2, %3, %4, %5);")
                   .arg(row.date.toString(Qt::ISODate), value(row.sales), value(row.purchases), value(row.moneyIn),
                        value(row.moneyOut));
    }
    return testsupport::execOn(workPath, sql + QStringLiteral("commit;"));
}

// `count` consecutive days from `first`; row i has sales 1000 × (i + 1),
// purchases i, money in -i and money out 0.
inline QList<WorkRow> consecutiveDays(const QDate &first, int count)
{
    QList<WorkRow> rows;
    for (int i = 0; i < count; ++i) {
        rows.append({first.addDays(i), 1000 * (i + 1), i, -i, 0});
    }
    return rows;
}

} // namespace printingtest
