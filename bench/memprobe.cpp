// Peak memory probes, each run in a fresh process by the benchmark program:
//   window FOLDER DAY      the main window started like the program does on the
//                          data in FOLDER/data/, the day DAY (yyyy-mm-dd) read
//                          on the journal page, as a user's evening begins;
//   grid FOLDER            the same start, then a totals run over every
//                          journal record and all rows of the grid fetched;
//   report WORK PDF        the totals report of the work file WORK to PDF;
//   bare-pdf WORK PDF N    the bare QPdfWriter loop, N rows a page.
// Each prints "peak_kib=<VmHWM>" and what it did.

#include "barepdf.h"
#include "peakmemory.h"
#include "tenyears.h"
#include "yespresenter.h"

#include "app/mainwindow.h"
#include "app/session.h"
#include "common/clock.h"
#include "common/formats.h"
#include "journal/journalpage.h"
#include "printing/reportengine.h"
#include "printing/reportpainter.h"
#include "printing/totalsreport.h"
#include "store/sqlitefiles.h"
#include "store/store.h"
#include "totals/totalspage.h"
#include "totals/worktablemodel.h"
#include "ui/colourdialog.h"
#include "ui/datebox.h"
#include "ui/platform.h"
#include "ui/translations.h"

#include <QApplication>
#include <QFileInfo>
#include <QTabWidget>
#include <QTableView>
#include <QThread>

#include <cstdio>
#include <optional>

namespace {

void settle()
{
    for (int round = 0; round < 5; ++round) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(10);
    }
}

int fail(const QString &why)
{
    std::fprintf(stderr, "%s\n", why.toLocal8Bit().constData());
    return 1;
}

int probeWindow(QApplication &application, const QString &programFolder, std::optional<QDate> day)
{
    // As the program starts: Japanese texts and fonts, the real adapters
    // (no dialog may appear unattended, so questions are answered Yes).
    ui::installJapaneseTranslations(application);
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic")});
    font.setPointSize(9);
    QApplication::setFont(font);

    app::Session session;
    bench::YesPresenter presenter;
    ui::QtColourChooser colours;
    ui::DesktopUrlOpener urls;
    ui::ApplicationProcessEnder ender;
    common::SystemClock clock;
    const app::Services services{presenter, colours, urls, ender, clock};

    app::MainWindow window(session, services);
    if (const auto failure = window.start(programFolder)) {
        return fail(failure->path + QStringLiteral(": ") + failure->error.message);
    }
    window.show();
    settle();

    if (day) {
        journal::JournalPage *journal = window.journalPage();
        auto *date = journal->findChild<ui::DateBox *>(QStringLiteral("Dt日付"));
        if (!date || !date->setValue(*day)) {
            return fail(QStringLiteral("the journal page takes no date ") + day->toString(Qt::ISODate));
        }
        journal->read();
        settle();
        auto *text = journal->findChild<QWidget *>(QStringLiteral("txtメモ"));
        if (presenter.notices > 0 || !text) {
            return fail(QStringLiteral("the program reported: ") + presenter.lastNotice);
        }
        std::printf("peak_kib=%lld day=%s\n", static_cast<long long>(bench::peakResidentKib()),
                    qPrintable(day->toString(Qt::ISODate)));
        return 0;
    }

    totals::TotalsPage *page = window.totalsPage();
    window.tabs()->setCurrentWidget(page);
    auto *start = page->findChild<ui::DateBox *>(QStringLiteral("Dt開始"));
    auto *end = page->findChild<ui::DateBox *>(QStringLiteral("Dt終了"));
    if (!start || !end) {
        return fail(QStringLiteral("the totals page has no period boxes"));
    }
    start->setValue(QDate(1868, 9, 8));
    end->setValue(QDate(2099, 12, 31));
    page->run();
    auto *grid = page->findChild<QTableView *>(QStringLiteral("Grid集計"));
    auto *model = grid ? qobject_cast<totals::WorkTableModel *>(grid->model()) : nullptr;
    if (!model) {
        return fail(QStringLiteral("the totals page shows no work table"));
    }
    while (model->canFetchMore()) {
        model->fetchMore();
    }
    grid->scrollToBottom();
    settle();
    if (presenter.notices > 0) {
        return fail(QStringLiteral("the program reported: ") + presenter.lastNotice);
    }
    std::printf("peak_kib=%lld rows=%d\n", static_cast<long long>(bench::peakResidentKib()), model->rowCount());
    return 0;
}

int probeReport(const QString &workFile, const QString &pdf)
{
    QString error;
    const printing::PrintTotals totals = bench::printTotalsOf(workFile, &error);
    const std::unique_ptr<store::Store> files = store::makeSqliteStore();
    if (error.isEmpty()) {
        if (const std::optional<store::OpenFailure> failure =
                files->open(store::Location::inFolder(QFileInfo(workFile).path()))) {
            error = failure->path + QStringLiteral(": ") + failure->error.message;
        } else {
            error = bench::fillStoreTenYears(*files);
        }
    }
    if (!error.isEmpty()) {
        return fail(error);
    }
    printing::TotalsReport report(totals, *files, common::kWestern, 0x800000);
    const printing::ReportRun run = printing::ReportEngine::run(report);
    if (!run.ok() || run.document.pages.isEmpty() || !printing::writePdf(run.document, pdf)) {
        return fail(QStringLiteral("the report could not be run or written: ") + run.error.message);
    }
    std::printf("peak_kib=%lld pages=%d rows_per_page=%d\n", static_cast<long long>(bench::peakResidentKib()),
                int(run.document.pages.size()),
                int(run.document.pages.first().itemsNamed(QStringLiteral("Line3")).size()));
    return 0;
}

int probeBarePdf(const QString &workFile, const QString &pdf, int rowsPerPage)
{
    QString error;
    const printing::PrintTotals totals = bench::printTotalsOf(workFile, &error);
    if (!error.isEmpty()) {
        return fail(error);
    }
    const int rows = bench::writeBareTotalsPdf(bench::bareTotalsLayout(totals, 0x800000, rowsPerPage), workFile, pdf);
    if (rows < 0) {
        return fail(QStringLiteral("the bare loop could not write ") + pdf);
    }
    std::printf("peak_kib=%lld rows=%d\n", static_cast<long long>(bench::peakResidentKib()), rows);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    const QString mode = arguments.value(1);
    if (mode == QStringLiteral("window") && arguments.size() == 4) {
        const QDate day = QDate::fromString(arguments.at(3), Qt::ISODate);
        return day.isValid() ? probeWindow(application, arguments.at(2), day) : fail(QStringLiteral("no day"));
    }
    if (mode == QStringLiteral("grid") && arguments.size() == 3) {
        return probeWindow(application, arguments.at(2), std::nullopt);
    }
    if (mode == QStringLiteral("report") && arguments.size() == 4) {
        return probeReport(arguments.at(2), arguments.at(3));
    }
    if (mode == QStringLiteral("bare-pdf") && arguments.size() == 5) {
        return probeBarePdf(arguments.at(2), arguments.at(3), arguments.at(4).toInt());
    }
    return fail(QStringLiteral("usage: zephra_memprobe window FOLDER DAY | grid FOLDER | report WORK PDF | bare-pdf WORK PDF ROWS"));
}
