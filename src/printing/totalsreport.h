#pragma once
// The totals of a period: a heading with the period and the four sums on
// every page, then one line per row of the work table.

#include "printing/printdata.h"
#include "printing/report.h"

#include <QDate>

namespace store {
class Store;
}

namespace printing {

// The rows of the work table w集計 in table order, with the fields 日付 and the
// four amounts; read a page at a time.
RowSource workTableRows(store::Store &store);

// The heading both reports of a period share: the period and its four sums,
// in the controls txt期間 and txt売上計 … txt出金計.
void showPeriodAndSums(Report &report, const PrintTotals &totals);

// The page footer both reports of a period share: the date printed at the
// left (txt印刷日), "n / m" at the right (txtページ) on a report of more than one page.
void addPrintFooter(ReportLayout &layout);
// The date printed, in the calendar mode in force, in the footer's txt印刷日.
void showPrintDate(Report &report, const QDate &date, const QString &calendarMode);
// `name` followed by the period's first and last day, as far as they are known:
// 集計_2018-01-01_2020-12-31.
QString periodFileStem(const QString &name, const PrintTotals &totals);

class TotalsReport final : public Report
{
public:
    // The rows come from the work table of `store` when the report runs.
    TotalsReport(const PrintTotals &data, store::Store &store, const QString &calendarMode, qint32 lineColor);

    static ReportLayout designedLayout();

    // The date printed in the footer; today unless set.
    void setPrintDate(const QDate &date) { m_printDate = date; }

    QString fileStem() const override { return periodFileStem(QStringLiteral("集計"), m_data); }
    void start() override;
    void formatPageHeader() override;

private:
    PrintTotals m_data;
    store::Store &m_store;
    QDate m_printDate;
    QString m_calendarMode;
    qint32 m_lineColor;
};

} // namespace printing
