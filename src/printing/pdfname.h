#pragma once
// The name and folder a report is offered under when saved as PDF, and the
// folder last saved into, remembered per user outside the data folder.

#include "printing/reportdocument.h"

#include <QString>

namespace printing {

// The document's own name with ".pdf": 業務日誌_2021-05-10.pdf, 集計_2018-01-01_2020-12-31.pdf.
QString pdfFileName(const ReportDocument &document);

// Where the save dialog starts: that name in `lastFolder` while it is a folder,
// otherwise in the user's documents folder.
QString proposedPdfPath(const ReportDocument &document, const QString &lastFolder);

// The folder of the last PDF saved by this user, or empty.
QString lastPdfFolder();
// Remembers the folder of `savedPath` for the next save.
void rememberPdfFolder(const QString &savedPath);

} // namespace printing
