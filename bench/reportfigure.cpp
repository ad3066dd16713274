// The totals report of ten years (3,660 rows) run and written to PDF, against
// a bare QPdfWriter loop writing the same texts and lines.

#include "barepdf.h"
#include "centurydata.h"
#include "figure.h"
#include "tenyears.h"

#include "common/formats.h"
#include "printing/reportengine.h"
#include "printing/reportpainter.h"
#include "printing/totalsreport.h"
#include "store/sqlitefiles.h"
#include "store/store.h"

#include <QDir>
#include <QTemporaryDir>

namespace bench {

namespace {

constexpr qint32 kLineColour = 0x800000; // dark blue, 0x00BBGGRR

class ReportFigure final : public Figure
{
public:
    using Figure::Figure;

    QString name() const override { return QStringLiteral("report-pdf-10y"); }
    double limit() const override { return 1.2; }
    QString subjectName() const override { return QStringLiteral("totals-report"); }
    QString floorName() const override { return QStringLiteral("bare-qpdfwriter"); }
    int iterations() const override { return 1; }

    void runSubject(benchmark::State &state) override
    {
        if (!prepare(state)) {
            return;
        }
        const QString pdf = QDir(m_folder->path()).filePath(QStringLiteral("report.pdf"));
        for (auto _ : state) {
            printing::TotalsReport report(m_totals, *m_store, common::kWestern, kLineColour);
            const printing::ReportRun run = printing::ReportEngine::run(report);
            if (!run.ok() || !printing::writePdf(run.document, pdf)) {
                fail(state, QStringLiteral("the report could not be run or written: ") + run.error.message);
                break;
            }
        }
    }

    void runFloor(benchmark::State &state) override
    {
        if (!prepare(state)) {
            return;
        }
        const QString pdf = QDir(m_folder->path()).filePath(QStringLiteral("bare.pdf"));
        for (auto _ : state) {
            const int rows = writeBareTotalsPdf(m_bare, m_workPath, pdf);
            if (rows != kTenYearRows) {
                fail(state, QStringLiteral("the bare loop wrote %1 rows").arg(rows));
                break;
            }
        }
    }

private:
    bool prepare(benchmark::State &state)
    {
        if (m_folder) {
            return true;
        }
        m_folder =
            std::make_unique<QTemporaryDir>(QDir(setting().scratchFolder).filePath(QStringLiteral("report-XXXXXX")));
        const QDir folder(m_folder->path());
        QString error = copyDataFolder(setting().centuryFolder, folder.path());
        if (error.isEmpty()) {
            m_workPath = folder.filePath(store::kWorkFileName);
            error = fillTenYears(folder.filePath(store::kMainFileName), m_workPath);
        }
        if (error.isEmpty()) {
            m_totals = printTotalsOf(m_workPath, &error);
        }
        if (error.isEmpty()) {
            if (const std::optional<store::OpenFailure> failure =
                    m_store->open(store::Location::inFolder(folder.path()))) {
                error = failure->path + QStringLiteral(": ") + failure->error.message;
            } else {
                error = fillStoreTenYears(*m_store, data().lastDay);
            }
        }
        // One run of the report, untimed: its rows per page for the bare loop,
        // and a check that it prints every row.
        if (error.isEmpty()) {
            printing::TotalsReport report(m_totals, *m_store, common::kWestern, kLineColour);
            const printing::ReportRun run = printing::ReportEngine::run(report);
            qsizetype rows = 0;
            for (const printing::ReportPage &page : run.document.pages) {
                rows += page.itemsNamed(QStringLiteral("Line3")).size();
            }
            if (!run.ok() || rows != kTenYearRows || run.document.pages.isEmpty()) {
                error = QStringLiteral("the report printed %1 rows").arg(rows);
            } else {
                m_bare = bareTotalsLayout(m_totals, kLineColour,
                                          int(run.document.pages.first().itemsNamed(QStringLiteral("Line3")).size()));
            }
        }
        if (!error.isEmpty()) {
            m_store->close();
            m_folder.reset();
            fail(state, error);
            return false;
        }
        return true;
    }

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<store::Store> m_store = store::makeSqliteStore();
    QString m_workPath;
    printing::PrintTotals m_totals;
    BareTotalsLayout m_bare;
};

} // namespace

std::unique_ptr<Figure> makeReportFigure(const Setting &setting)
{
    return std::make_unique<ReportFigure>(setting);
}

} // namespace bench
