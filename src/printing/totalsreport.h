#pragma once
// The totals of a period: a heading with the period and the four sums on
// every page, then one line per row of the work table.

#include "printing/printdata.h"
#include "printing/report.h"

namespace printing {

class rpt集計 final : public Report
{
public:
    // The rows come from the table w集計 of `workDb` when the report runs.
    rpt集計(const PrintTotals &data, store::Database &workDb, const QString &calendarMode, qint32 lineColor);

    static ReportLayout designedLayout();

    void ActiveReport_ReportStart() override;
    void PageHeader_Format() override;

private:
    PrintTotals m_data;
    store::Database &m_workDb;
    QString m_calendarMode;
    qint32 m_lineColor;
};

} // namespace printing
