#pragma once
// The totals page's commands without its widgets: the period filled in, the
// journal copied into the work table or summarised by month or year, the
// sums and what is told about them, the work table emptied, and what a print
// of the page reports.

#include "common/clock.h"
#include "common/msg.h"
#include "common/pagevalues.h"
#include "store/period.h"
#include "store/records.h"
#include "store/summary.h"

#include <QDate>
#include <QList>
#include <QObject>

#include <optional>

namespace store {
class Store;
struct FillReport;
} // namespace store

namespace totals {

// What a print of the totals page reports: the page's values and, when a
// summary is shown, its grouping and rows.
struct TotalsReport
{
    common::TotalsValues values;
    std::optional<store::Grouping> grouping;
    QList<store::SummaryRow> rows;
};

class TotalsController : public QObject
{
    Q_OBJECT
public:
    TotalsController(store::Store &store, common::Msg &msg, const common::Clock &clock, QObject *parent = nullptr);

    // The calendar mode the period is named in, in what is told.
    void setCalendarMode(const QString &calendarMode) { m_calendarMode = calendarMode; }

    // 1. of 集計: the period with what is empty filled in from the month of
    // the start, or of today.
    store::Period filledIn(std::optional<QDate> start, std::optional<QDate> end) const;
    // 集計: the period filled in (periodFilled), then with no grouping the
    // journal copied into the work table (workShown), with one its summary
    // (summaryShown; the work table stays as it is). A run that fails leaves
    // the work table empty or as it was, and says why.
    void run(std::optional<QDate> start, std::optional<QDate> end, std::optional<store::Grouping> grouping);
    // 日別 chosen again: the work table as the last 集計 left it, with its
    // sums; a notice names the period of that run, not one typed since.
    void showWork();
    // クリア: the work table emptied (an empty one is not written to); the
    // page cleared either way.
    void clear();
    // The page as クリア leaves it, over a work table emptied before.
    void forget();
    // What a print of the page shows: `values` as the page holds them, and
    // the summary shown last when `grouping` is one.
    TotalsReport report(const common::TotalsValues &values, std::optional<store::Grouping> grouping) const;

signals:
    void periodFilled(QDate start, QDate end);
    // The work table was filled anew (or emptied by a failed run): the grid
    // shows it read again.
    void workFilled();
    // The grid shows the work table, with these sums (none when they could
    // not be read).
    void workShown(const std::optional<store::Sums> &sums);
    // The grid shows the summary `rows`, with their total (none when the
    // summary failed).
    void summaryShown(store::Grouping grouping, const QList<store::SummaryRow> &rows,
                      const std::optional<store::SummaryRow> &total);
    void cleared();

private:
    void runWork(const store::Period &period);
    void runSummary(const store::Period &period, store::Grouping grouping);
    QString periodText(const store::Period &period) const;
    // A sum no box can show is told with the period it belongs to.
    void tellBeyondRange(const std::optional<store::Sums> &sums, const QString &period);
    void reportLeftOut(const store::FillReport &report, const QString &period);

    store::Store &m_store;
    common::Msg &m_msg;
    const common::Clock &m_clock;
    QString m_calendarMode = common::kWestern;
    QString m_workPeriod;                   // the period of the 集計 the work table holds, as the boxes showed it
    QList<store::SummaryRow> m_summaryRows; // the summary shown last
};

} // namespace totals
