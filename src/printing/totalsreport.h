#pragma once
// The totals of a period: a heading with the period and the four sums on
// every page, then one line per row of the work table.

#include "printing/printdata.h"
#include "printing/report.h"

namespace store {
class Store;
}

namespace printing {

// The rows of the work table w集計 in table order, with the fields 日付 and the
// four amounts; read a page at a time.
RowSource workTableRows(store::Store &store);

class rpt集計 final : public Report
{
public:
    // The rows come from the work table of `store` when the report runs.
    rpt集計(const PrintTotals &data, store::Store &store, const QString &calendarMode, qint32 lineColor);

    static ReportLayout designedLayout();

    void ActiveReport_ReportStart() override;
    void PageHeader_Format() override;

private:
    PrintTotals m_data;
    store::Store &m_store;
    QString m_calendarMode;
    qint32 m_lineColor;
};

} // namespace printing
