#pragma once
// Runs a report: raises its start handler, lays out a page header on every
// page, one detail band per row of the data source, further pages while a
// continued text of the page header has lines left, and yields the pages.

#include "printing/reportdocument.h"
#include "store/dberror.h"

#include <QVariant>

namespace printing {

class Report;

struct ReportRun
{
    ReportDocument document;
    // Set when the detail's data source could not be read; the document then
    // lacks rows and must not be taken for a complete report.
    store::DbError error;
    bool ok() const { return error.ok(); }
};

class ReportEngine
{
public:
    static ReportRun run(Report &report);

    // A bound field's value as a text box shows it: dates and whole numbers
    // through the output format, an empty value as an empty text.
    static QString formatFieldValue(const QVariant &value, const QString &outputFormat);
};

} // namespace printing
