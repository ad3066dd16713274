#include "charts/chartdata.h"

#include "common/formats.h"
#include "store/store.h"

namespace charts {

store::DbError readSeries(store::Store &store, const store::Period &period, PointKind kind, const QString &calendarMode,
                          ChartSeries &series)
{
    if (kind != PointKind::Day) {
        QList<store::SummaryRow> rows;
        const auto grouping = kind == PointKind::Month ? store::Grouping::Month : store::Grouping::Year;
        if (store::DbError error = store.summarise(period, grouping, rows)) {
            return error;
        }
        series = summarySeries(period, grouping, rows, calendarMode);
        return {};
    }

    QList<store::JournalRecord> records;
    store::DbError refused;
    store::DbError error = store.forEachRecord(period, [&](const store::JournalRecord &record) {
        for (const store::AmountColumn column : store::kAmountColumns) {
            if (record.unreadable.testFlag(column)) {
                refused = {store::DbErrorKind::RefusedValue,
                           common::formatDate(record.date, common::dateBoxPattern(calendarMode)) +
                               QStringLiteral(" の") + store::columnCaption(column) +
                               QStringLiteral("は金額として読めません。日誌の画面で直して登録してください")};
                return false;
            }
        }
        records.append(record);
        return true;
    });
    if (refused) {
        return refused;
    }
    if (error) {
        return error;
    }
    series = dailySeries(period, records, calendarMode);
    return {};
}

} // namespace charts
