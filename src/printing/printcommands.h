#pragma once
// What the two print buttons do: run a fresh report over the copied page
// values and open it in its own viewer beside the main window.

#include "printing/printdata.h"
#include "store/summary.h"

#include <QString>

class QWidget;

namespace common {
class MessagePresenter;
}
namespace store {
class Store;
}

namespace printing {

class ReportViewer;

// The journal of one date. Returns the viewer, which deletes itself when closed.
ReportViewer *showJournalReport(const PrintJournal &data, qint32 lineColor, QWidget *parent);

// The totals of a period with the rows of the work table of `store`. When the table
// cannot be read, a failure notice is shown (through `presenter`, or a message
// box of the parent's) instead of a report without its rows, and nullptr returned.
ReportViewer *showTotalsReport(const PrintTotals &data, store::Store &store, const QString &calendarMode,
                               qint32 lineColor, QWidget *parent, common::MessagePresenter *presenter = nullptr);

// The monthly or yearly summary of a period, with the rows the totals page shows.
ReportViewer *showSummaryReport(const PrintTotals &data, const QList<store::SummaryRow> &rows, store::Grouping grouping,
                                const QString &calendarMode, qint32 lineColor, QWidget *parent);

} // namespace printing
