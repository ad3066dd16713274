#pragma once
// The monthly or yearly summary of a period (月別集計, 年別集計): the totals
// report's heading with the period and the four sums on every page, then one
// line per month or year with its sums, 日数 and 差引; the totals report's
// footer with the date printed and "n / m".

#include "printing/printdata.h"
#include "printing/report.h"
#include "store/summary.h"

#include <QDate>

namespace printing {

// The rows as the report's fields: 年月 (the month's or year's name), the four
// amounts, 日数 and 差引.
RowSource summaryRows(const QList<store::SummaryRow> &rows, store::Grouping grouping, const QString &calendarMode);

class SummaryReport final : public Report
{
public:
    SummaryReport(const PrintTotals &data, const QList<store::SummaryRow> &rows, store::Grouping grouping,
                  const QString &calendarMode, qint32 lineColor);

    static ReportLayout designedLayout(store::Grouping grouping);

    // The date printed in the footer; today unless set.
    void setPrintDate(const QDate &date) { m_printDate = date; }

    QString fileStem() const override;
    void start() override;
    void formatPageHeader() override;

private:
    PrintTotals m_data;
    QList<store::SummaryRow> m_rows;
    store::Grouping m_grouping;
    QDate m_printDate;
    QString m_calendarMode;
    qint32 m_lineColor;
};

} // namespace printing
