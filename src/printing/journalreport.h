#pragma once
// The journal of one date on one A4 page: title, date, the four amounts under
// their headings and the journal text in a framed box. A text longer than the
// frame goes on over following pages, each headed with the date and （続き）,
// and then every page is numbered "n / m" right of the date.

#include "printing/printdata.h"
#include "printing/report.h"

namespace printing {

class JournalReport final : public Report
{
public:
    JournalReport(const PrintJournal &data, qint32 lineColor);

    // The layout as designed, before the handlers run.
    static ReportLayout designedLayout();

    QString fileStem() const override;
    void start() override;
    void formatPageHeader() override;

private:
    void formatContinuation();

    PrintJournal m_data;
    qint32 m_lineColor;
};

} // namespace printing
