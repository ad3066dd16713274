#pragma once
// The journal of one date on one A4 page: title, date, the four amounts under
// their headings and the journal text in a framed box.

#include "printing/printdata.h"
#include "printing/report.h"

namespace printing {

class JournalReport final : public Report
{
public:
    JournalReport(const PrintJournal &data, qint32 lineColor);

    // The layout as designed, before the handlers run.
    static ReportLayout designedLayout();

    void start() override;
    void formatPageHeader() override;

private:
    PrintJournal m_data;
    qint32 m_lineColor;
};

} // namespace printing
