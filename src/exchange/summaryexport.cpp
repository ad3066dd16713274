#include "exchange/summaryexport.h"

#include "exchange/sheet.h"

#include "common/summarylabel.h"

namespace exchange {

Exported exportSummary(store::Store &store, const store::Period &period, store::Grouping grouping,
                       const ExportFile &file, common::Progress &progress)
{
    if (!period.isValid() || period.first > period.last) {
        progress.finish();
        return {0, QStringLiteral("書き出す期間が正しくありません。"), {}};
    }
    const bool byMonth = grouping == store::Grouping::Month;
    progress.report(QStringLiteral("集計を書き出しています…"), 0, 0);
    // The summary is read whole before the file is begun: a refused amount
    // leaves no file behind.
    QList<store::SummaryRow> rows;
    if (const store::DbError error = store.summarise(period, grouping, rows)) {
        progress.finish();
        return {0, QStringLiteral("集計を読めませんでした。%1").arg(store::describeForUser(error)), {}};
    }
    const store::SummaryRow total = store::totalOf(rows);
    if (auto refused = sumsRefused(total.sums)) {
        progress.finish();
        return {0, *refused, {}};
    }
    QStringList header{byMonth ? QStringLiteral("年月") : QStringLiteral("年")};
    for (const store::AmountColumn column : store::kAmountColumns) {
        header.append(store::columnCaption(column));
    }
    header << QStringLiteral("日数") << QStringLiteral("差引");
    return writeSheetFile(
        file, byMonth ? QStringLiteral("月別集計") : QStringLiteral("年別集計"), header, progress,
        [&](SheetWriter &writer, qint64 &written) -> std::optional<QString> {
            for (const store::SummaryRow &row : std::as_const(rows)) {
                const QString label = byMonth
                                          ? common::monthLabel(row.first.year(), row.first.month(), file.calendarMode)
                                          : common::yearLabel(row.first.year(), file.calendarMode);
                if (auto failure = writer.line(Line{{}, label, row.sums, nullptr, {row.days, row.balance()}})) {
                    return failure;
                }
                ++written;
            }
            return writer.sums(total.sums, {total.days, total.balance()});
        });
}

} // namespace exchange
