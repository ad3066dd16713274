#include "totals/totalscontroller.h"

#include "common/formats.h"
#include "store/store.h"

namespace totals {

namespace {

// Why a journal row cannot be totalled: an amount that is no whole number
// within the amount boxes' range (a text, a fraction, too many digits). It
// would count as 0 or as a figure the journal page cannot show, so the run
// stops and names the day, which the user puts right on the journal page.
store::DbError unreadableAmount(const store::RefusedAmount &refused, const QString &calendarMode)
{
    return {store::DbErrorKind::RefusedValue,
            common::formatDate(refused.date, common::dateBoxPattern(calendarMode)) + QStringLiteral(" の") +
                store::columnCaption(refused.column) + QStringLiteral("「") + refused.value +
                QStringLiteral("」は金額として読めません。日誌の画面で直して登録してください")};
}

// Empties the work table; an empty one is not written to.
store::DbError emptyWorkTable(store::Store &store)
{
    // An unreadable table lets the clearing try and report.
    bool holds = true;
    store::DbError error = store.workHoldsRows(holds);
    if (error || holds) {
        error = store.clearWork();
    }
    return error;
}

} // namespace

TotalsController::TotalsController(store::Store &store, common::Msg &msg, const common::Clock &clock, QObject *parent)
    : QObject(parent), m_store(store), m_msg(msg), m_clock(clock)
{}

store::Period TotalsController::filledIn(std::optional<QDate> start, std::optional<QDate> end) const
{
    if (!start && !end) {
        return store::Period::monthOf(m_clock.today());
    }
    if (!end) {
        return {*start, store::Period::monthOf(*start).last};
    }
    if (!start) {
        return {store::Period::monthOf(m_clock.today()).first, *end};
    }
    return {*start, *end};
}

QString TotalsController::periodText(const store::Period &period) const
{
    const QString pattern = common::dateBoxPattern(m_calendarMode);
    return common::formatDate(period.first, pattern) + QStringLiteral(" ～ ") +
           common::formatDate(period.last, pattern);
}

void TotalsController::run(std::optional<QDate> start, std::optional<QDate> end,
                           std::optional<store::Grouping> grouping)
{
    // 1. The filled-in dates stay visible.
    const store::Period period = filledIn(start, end);
    emit periodFilled(period.first, period.last);
    if (grouping) {
        runSummary(period, *grouping);
    } else {
        runWork(period);
    }
}

void TotalsController::runWork(const store::Period &period)
{
    // 2.–7. Empty the work table, then copy the period's journal into it in
    // date order, in one transaction. A run that fails half-way leaves the
    // table empty instead of passing a partial list off as the period's totals.
    store::FillReport report;
    store::DbError error = m_store.fillWork(period, report);
    m_workPeriod = periodText(period);
    if (error && report.refused) {
        error = unreadableAmount(*report.refused, m_calendarMode);
    }

    // 8. The grid shows the new content of w集計.
    emit workFilled();
    if (error) {
        // The table is empty, or holds the run before when it could not be
        // emptied: the sums are those of what the grid lists.
        showWork();
        m_msg.show(common::Prompt::TotalsFailed, QStringLiteral("期間 ") + m_workPeriod +
                                                     QStringLiteral(" の集計ができませんでした。\n理由: ") +
                                                     store::describeForUser(error));
        return;
    }

    // 9.–12. The four sums of the rows copied.
    emit workShown(report.sums);
    tellBeyondRange(report.sums, m_workPeriod);
    reportLeftOut(report, m_workPeriod);
}

void TotalsController::showWork()
{
    store::Sums sums;
    const std::optional<store::Sums> read = m_store.workSums(sums) ? std::nullopt : std::optional(sums);
    emit workShown(read);
    tellBeyondRange(read, m_workPeriod);
}

void TotalsController::runSummary(const store::Period &period, store::Grouping grouping)
{
    QList<store::SummaryRow> rows;
    const store::DbError error = m_store.summarise(period, grouping, rows);
    m_summaryRows = rows;
    const QString text = periodText(period);
    if (error) {
        emit summaryShown(grouping, rows, std::nullopt);
        m_msg.show(common::Prompt::TotalsFailed,
                   QStringLiteral("期間 ") + text +
                       (grouping == store::Grouping::Month ? QStringLiteral(" の月別") : QStringLiteral(" の年別")) +
                       QStringLiteral("集計ができませんでした。\n理由: ") + store::describeForUser(error));
        return;
    }
    const store::SummaryRow total = store::totalOf(rows);
    emit summaryShown(grouping, rows, total);
    tellBeyondRange(total.sums, text);
}

void TotalsController::tellBeyondRange(const std::optional<store::Sums> &sums, const QString &period)
{
    const store::AmountColumns tooLarge = sums ? store::sumsBeyondRange(*sums) : store::AmountColumns();
    if (tooLarge) {
        m_msg.show(common::Prompt::TotalsFailed,
                   QStringLiteral("期間 ") + period + QStringLiteral(" の ") + store::describeSums(*sums, tooLarge) +
                       QStringLiteral(" は、画面に表示できる桁数を超えています。期間を短くしてください。"));
    }
}

void TotalsController::reportLeftOut(const store::FillReport &report, const QString &period)
{
    // The sums come out too low when journal rows were left out; the rows
    // themselves stay as they are for the user to put right.
    if (report.otherFormInPeriod == 0 && report.unreadableDates == 0) {
        return;
    }
    QString text = QStringLiteral("期間 ") + period + QStringLiteral(" の集計に含めていない日誌があります。");
    if (report.otherFormInPeriod > 0) {
        text += QStringLiteral("\n日付が正しい形で保存されていない日誌: ") + QString::number(report.otherFormInPeriod) +
                QStringLiteral(" 日分");
    }
    if (report.unreadableDates > 0) {
        text += QStringLiteral("\n日付を読めない日誌（期間の内外は不明）: ") + QString::number(report.unreadableDates) +
                QStringLiteral(" 日分");
    }
    m_msg.show(common::Prompt::DaysLeftOut, text);
}

void TotalsController::clear()
{
    const store::DbError error = emptyWorkTable(m_store);
    forget();
    if (error) {
        m_msg.show(common::Prompt::TotalsFailed,
                   QStringLiteral("集計の作業データを消去できませんでした。\n理由: ") + store::describeForUser(error));
    }
}

void TotalsController::forget()
{
    m_workPeriod.clear();
    m_summaryRows.clear();
    emit cleared();
}

TotalsReport TotalsController::report(const common::TotalsValues &values, std::optional<store::Grouping> grouping) const
{
    TotalsReport report{values, grouping, {}};
    if (grouping) {
        report.rows = m_summaryRows;
    }
    return report;
}

} // namespace totals
