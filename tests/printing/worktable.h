#pragma once
// Fills the work table w集計 of an open work database for the report tests.

#include "store/database.h"
#include "store/recordset.h"
#include "store/statements.h"

#include <QDate>
#include <QList>

#include <optional>

namespace printingtest {

struct WorkRow
{
    QDate date;
    std::optional<qint64> sales, purchases, moneyIn, moneyOut;
};

inline bool appendWorkRows(store::Database &workDb, const QList<WorkRow> &rows)
{
    store::DbError error;
    auto rs = workDb.openRecordset(store::sql::kSelectWorkTable, &error);
    const auto value = [](std::optional<qint64> a) { return a ? QVariant(*a) : QVariant(); };
    for (const WorkRow &row : rows) {
        if (error || !rs || rs->addNew() || rs->setField(QStringLiteral("日付"), row.date) ||
            rs->setField(QStringLiteral("売上額"), value(row.sales)) ||
            rs->setField(QStringLiteral("仕入額"), value(row.purchases)) ||
            rs->setField(QStringLiteral("入金額"), value(row.moneyIn)) ||
            rs->setField(QStringLiteral("出金額"), value(row.moneyOut)) || rs->update()) {
            return false;
        }
    }
    return !error;
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
