#pragma once
// Fills the program's work table w集計 for the report tests with rows of the
// test's choosing, in their order, as a 集計 and edits in the grid would.

#include "store/store.h"
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

// As many journal days as rows (from 1900/01/01, with no amounts) totalled
// into the store's work table, then each row's cells typed over.
inline bool fillWorkTable(store::Store &store, const QString &mainPath, const QList<WorkRow> &rows)
{
    const QDate first(1900, 1, 1);
    QString sql = QStringLiteral("begin;");
    for (qsizetype i = 0; i < rows.size(); ++i) {
        sql += QStringLiteral("insert into 業務日誌 (日付) values ('%1');").arg(first.addDays(i).toString(Qt::ISODate));
    }
    store::FillReport report;
    QList<store::WorkRow> stored;
    if (!testsupport::execOn(mainPath, sql + QStringLiteral("commit;")) ||
        store.fillWork({first, first.addDays(rows.size())}, report) ||
        store.workRows(0, int(rows.size()) + 1, stored) || stored.size() != rows.size()) {
        return false;
    }
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const WorkRow &row = rows.at(i);
        const qint64 id = stored.at(i).id;
        if (store.setWorkDate(id, row.date) || store.setWorkAmount(id, store::AmountColumn::Sales, row.sales) ||
            store.setWorkAmount(id, store::AmountColumn::Purchases, row.purchases) ||
            store.setWorkAmount(id, store::AmountColumn::MoneyIn, row.moneyIn) ||
            store.setWorkAmount(id, store::AmountColumn::MoneyOut, row.moneyOut)) {
            return false;
        }
    }
    return true;
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
