#pragma once
// The journal of one date on one A4 page: title, date, the four amounts under
// their headings and the journal text in a framed box.

#include "printing/printdata.h"
#include "printing/report.h"

namespace printing {

class rpt業務日誌 final : public Report
{
public:
    rpt業務日誌(const PrintJournal &data, qint32 lineColor);

    // The layout as designed, before the handlers run.
    static ReportLayout designedLayout();

    void ActiveReport_ReportStart() override;
    void PageHeader_Format() override;

private:
    PrintJournal m_data;
    qint32 m_lineColor;
};

} // namespace printing
