#include "printing/printcommands.h"

#include "common/msg.h"
#include "printing/journalreport.h"
#include "printing/reportengine.h"
#include "printing/reportviewer.h"
#include "printing/summaryreport.h"
#include "printing/totalsreport.h"
#include "ui/messagebox.h"

#include <utility>

namespace printing {

namespace {

ReportViewer *openViewer(ReportDocument document, QWidget *parent)
{
    auto *viewer = new ReportViewer(std::move(document), parent);
    viewer->show();
    return viewer;
}

} // namespace

ReportViewer *showJournalReport(const PrintJournal &data, qint32 lineColor, QWidget *parent)
{
    JournalReport report(data, lineColor);
    return openViewer(ReportEngine::run(report).document, parent);
}

ReportViewer *showTotalsReport(const PrintTotals &data, store::Store &store, const QString &calendarMode,
                               qint32 lineColor, QWidget *parent, common::MessagePresenter *presenter)
{
    TotalsReport report(data, store, calendarMode, lineColor);
    ReportRun run = ReportEngine::run(report);
    if (!run.ok()) {
        ui::QtMessagePresenter boxes(parent);
        common::Msg(presenter ? *presenter : boxes)
            .showFailure(QStringLiteral("印刷"), QStringLiteral("集計データを読み込めないため、印刷できません。\n") +
                                                     store::describeForUser(run.error));
        return nullptr;
    }
    return openViewer(std::move(run.document), parent);
}

ReportViewer *showSummaryReport(const PrintTotals &data, const QList<store::SummaryRow> &rows, store::Grouping grouping,
                                const QString &calendarMode, qint32 lineColor, QWidget *parent)
{
    SummaryReport report(data, rows, grouping, calendarMode, lineColor);
    return openViewer(ReportEngine::run(report).document, parent);
}

} // namespace printing
